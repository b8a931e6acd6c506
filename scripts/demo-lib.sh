# shellcheck shell=bash
# Shared by run-demo.sh, screenshots.sh and bench-rss.sh (source it; needs bash).
# The processes a script starts go into the array `pids`, in start order;
# stop_started stops them the other way round, so the X server goes last.
demo_scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
demo_fixture="$demo_scripts/../tests/support/dovecot_fixture.py"

# prepare_demo FOLDER BUILD [AUTO]: a program folder with its own copy of
# vantor (it keeps its files beside its executable) and of the stand-in mail
# client `notes`, registered so that Vantor starts it; the demo store; and the
# settings a user of the demo would have saved (Windows layout: CRLF, the
# password "vantor" scrambled). AUTO 1 starts watching at launch (default 0:
# the settings window comes first).
prepare_demo() {
  local folder="$1" build="$2" auto="${3:-0}" limit
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/vantor" "$folder/vantor"
  "$build/tools/vantor-store" --root "$folder/notesdata" demo-seed
  # Archiving takes what is older than three months.
  limit="$(date -d '90 days ago' +%d/%m/%Y)"
  printf '%s\r\n' '[PARAM]' 'DELAI=10' \
    'BAL_0=mail\jdupont.nsf' 'SERVEUR_LOTUS_0=Paris/Vantor' \
    'BAL_ARCHIVE_0=archive\jdupont_archive.nsf' "DATE_ARCHIVE_0=$limit" \
    'BAL_1=mail\equipe.nsf' 'SERVEUR_LOTUS_1=Lyon/Vantor' \
    'BAL_ARCHIVE_1=archive\equipe_archive.nsf' "DATE_ARCHIVE_1=$limit" \
    'BAL_2=' 'SERVEUR_LOTUS_2=' \
    "PASSWORD=$(printf '\x7fjw}x{')" "AUTO=$auto" 'LOGOFF=0' 'AUTONOTES=0' \
    'COULEUR=FFF2CC' 'HEIGHT=2325' 'WIDTH=6000' > "$folder/param.ini"
  if [ -x "$build/notes" ]; then
    cp "$build/notes" "$folder/notes"
    register_demo_client "$folder"
  fi
}

# start_demo_imap FOLDER BUILD: the demo's second mailbox on a private mail
# server (Dovecot in FOLDER/dovecot, on a free port of this machine only,
# stopped with this script however it ends): the user "equipe" with the
# demo's password, the mailbox's folders and the mail already there; its
# self-signed certificate trusted on purpose in FOLDER/certificats.txt, as a
# user trusts one; slot 2 of FOLDER/param.ini set to it. Prints the server
# field ("imaps://equipe@127.0.0.1:PORT").
start_demo_imap() {
  local folder="$1" build="$2" instance="$1/dovecot" ports port fingerprint server
  ports="$(python3 "$demo_fixture" start "$instance" --tls self-signed --owner $$)" || return 1
  port="$(sed -n 's/.*imaps=\([0-9]*\).*/\1/p' <<<"$ports")"
  python3 "$demo_fixture" adduser "$instance" equipe vantor
  "$build/tools/vantor-store" demo-eml "$folder/imap-seed" >/dev/null
  python3 "$demo_scripts/demo-imap.py" "$instance" equipe "$folder/imap-seed" || return 1
  fingerprint="$(openssl x509 -in "$instance/server.pem" -noout -fingerprint -sha256 | cut -d= -f2)"
  printf '%s\n' "# The demo's own mail server: its certificate, trusted on purpose." \
    "127.0.0.1:$port $fingerprint" > "$folder/certificats.txt"
  server="imaps://equipe@127.0.0.1:$port"
  sed -i "s|^BAL_1=.*|BAL_1=INBOX\r|; s|^SERVEUR_LOTUS_1=.*|SERVEUR_LOTUS_1=$server\r|" "$folder/param.ini"
  echo "$server"
}

# feed_demo_imap FOLDER BUILD SERVER EVERY COUNT DELAY: COUNT new messages for
# the mail server's mailbox, one every EVERY seconds after DELAY seconds,
# delivered by the server's own delivery agent as mail from outside is; a
# line per message, as demo-feed writes them.
feed_demo_imap() {
  local folder="$1" build="$2" server="$3" every="$4" count="$5" n line
  sleep "$6"
  for (( n = 1; n <= count; n++ )); do
    (( n == 1 )) || sleep "$every"
    rm -rf "$folder/imap-feed"
    line="$("$build/tools/vantor-store" demo-eml "$folder/imap-feed" --feed --first "$n" --count 1)" || return 1
    python3 "$demo_fixture" deliver "$folder/dovecot" equipe < "$folder/imap-feed/${line%%.eml *}.eml" || return 1
    echo "[$(date +%T)] $n/$count → $server INBOX : ${line#*.eml }"
  done
}

# register_demo_client FOLDER: the registry file of the program folder, as the
# registry editor writes it (UTF-16LE with BOM, CRLF), with the mail client's
# folder "Path" set to FOLDER and its trailing separator, so that Vantor
# starts the stand-in client FOLDER/notes at launch.
register_demo_client() {
  local folder
  folder="$(cd "$1" && pwd)/"
  folder="${folder//\\/\\\\}"
  folder="${folder//\"/\\\"}"
  { printf '\xff\xfe'
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
      '[HKEY_LOCAL_MACHINE\Software\Lotus\Notes]' "\"Path\"=\"$folder\"" '' |
      iconv -f UTF-8 -t UTF-16LE
  } > "$1/registre.reg"
}

# start_display: a desktop of its own for the demo: Xvfb on a display the
# server picks, the openbox window manager (it keeps the minimised mail
# client out of sight and places the windows as a desktop does), a plain
# background and a notification area (trayer) for Vantor's tray icon. Exports
# DISPLAY; appends the processes to `pids`.
start_display() {
  local work n
  work="$(mktemp -d)"
  # -noreset: a client connecting while the server resets (its last client
  # gone) would be refused, and the tray host may be that client.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset -dpi 96 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  n="$(head -n1 "$work/display" 2>/dev/null)"
  [ -n "$n" ] || { echo "Xvfb did not start: $(head -c 300 "$work/xvfb.log")" >&2; rm -rf "$work"; return 1; }
  export DISPLAY=":$n" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  # A plain background, once the window manager is up (it clears the root
  # window as it starts); display reports failure even when it sets it.
  { convert -size 1280x800 gradient:'#3d7396-#1b3547' "$work/desktop.png" &&
    display -window root "$work/desktop.png"; } >/dev/null 2>&1 || true
  rm -rf "$work"
  trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    # awk reads to the end: grep -q stops at the match, and the writer, cut
    # short, fails the pipeline under pipefail although the panel is there.
    xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ { found = 1 } END { exit !found }' && return 0
    sleep 0.1
  done
  echo "trayer did not start" >&2
  return 1
}

# stop_started: stops the processes of `pids`, the last started first, each
# waited for (the X server is the first started, so it goes last).
stop_started() {
  local i
  for (( i = ${#pids[@]} - 1; i >= 0; i-- )); do
    kill "${pids[$i]}" 2>/dev/null || true
    wait "${pids[$i]}" 2>/dev/null || true
  done
  pids=()
}

# stop_program PATH: stops the processes running the executable PATH (the
# demo's own copy of a program that Vantor started, not a child of ours).
stop_program() {
  local exe p
  exe="$(readlink -f "$1")"
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$exe" ] || continue
    kill "${p#/proc/}" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "${p#/proc/}" 2>/dev/null || break; sleep 0.1; done
  done
}

# vantor_window: the id of Vantor's settings window once it is shown, its
# largest window (waits up to 20 s).
vantor_window() {
  local w
  for _ in $(seq 100); do
    w="$(for id in $(xdotool search --onlyvisible --classname '^vantor$' 2>/dev/null); do
           xdotool getwindowgeometry "$id" 2>/dev/null |
             awk -v id="$id" '/Geometry:/ { split($2, s, "x"); if (s[1] >= 600) print s[1] * s[2], id }'
         done | sort -n | tail -n1 | cut -d' ' -f2)"
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}

# press_keys WINDOW KEY...: gives WINDOW the focus and types the keys there.
press_keys() {
  local w="$1"
  shift
  xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
  sleep 0.3
  xdotool key "$@"
}

# tray_icon: "X Y W H" of Vantor's icon in the notification area, on screen.
tray_icon() {
  local panel
  # (awk reads to the end: a writer cut short fails the pipeline under pipefail)
  panel="$(xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ && !found++ { print $1 }')"
  [ -n "$panel" ] || return 1
  xwininfo -tree -id "$panel" 2>/dev/null |
    awk '/\("vantor" "Vantor"\)/ && !found++ {
           split($(NF-1), s, "[x+]"); split($NF, a, "+"); print a[2], a[3], s[1], s[2] }'
}

# open_tray_menu: right-clicks Vantor's tray icon (waits up to 10 s for it).
open_tray_menu() {
  local x y w h
  for _ in $(seq 100); do
    read -r x y w h < <(tray_icon) && break
    sleep 0.1
  done
  [ -n "${x:-}" ] || return 1
  xdotool mousemove "$(( x + w / 2 ))" "$(( y + h / 2 ))" click 3
  sleep 0.8
}

# quit_vantor PID: "Quitter" from the tray menu, as a user quits (Vantor then
# saves its settings); stopped with a signal if it has not ended 15 s later.
# Returns 1 when it had to be stopped that way.
quit_vantor() {
  local pid="$1"
  kill -0 "$pid" 2>/dev/null || return 0
  if open_tray_menu; then
    xdotool key Up Return   # the menu's last entry
    for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }; sleep 0.1; done
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 1
}

# stop_demo FOLDER [PID...]: ends a run in the order that loses nothing: the
# feeders (`feeder`, `imap_feeder`), Vantor through its Quit (`vantor`, so it
# saves its settings), the other processes given, the mail client and the
# mail server of FOLDER, then the desktop, the X server last. Returns 1 when Vantor had to be stopped with a
# signal.
stop_demo() {
  local folder="$1" quit=0 p
  shift
  for p in "${feeder:-}" "${imap_feeder:-}"; do
    [ -n "$p" ] && { kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; }
  done
  if [ -n "${vantor:-}" ]; then quit_vantor "$vantor" || quit=1; fi
  for p in "$@"; do
    [ -n "$p" ] && { kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; }
  done
  [ -n "$folder" ] && stop_program "$folder/notes"
  [ -d "$folder/dovecot" ] && python3 "$demo_fixture" stop "$folder/dovecot"
  stop_started
  return "$quit"
}

# popup_geometry: "X Y W H" of Vantor's popup while it is on screen (at the
# left edge, its bottom 30 pixels above the screen's).
popup_geometry() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^vantor$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null |
      awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
           /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } /Map State: IsViewable/ { v = 1 }
           END { if (v && x == 0 && y + h == 770) print x, y, w, h }'
  done | awk 'NR == 1'
}

# wait_for_popup SECONDS: waits for the popup to show; prints its geometry.
wait_for_popup() {
  local g i
  for (( i = 0; i < $1 * 5; i++ )); do
    g="$(popup_geometry)"
    [ -n "$g" ] && { echo "$g"; return 0; }
    sleep 0.2
  done
  return 1
}

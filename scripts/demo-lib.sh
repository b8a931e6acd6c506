# Shared by run-demo.sh and bench-rss.sh (source it; needs bash).

# prepare_demo FOLDER BUILD: a program folder with its own copy of vantor (it
# keeps its files beside its executable), the demo store, and the settings a
# user of the demo would have saved (Windows layout: CRLF, the password
# "vantor" scrambled).
prepare_demo() {
  local folder="$1" build="$2"
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/vantor" "$folder/vantor"
  "$build/tools/vantor-store" --root "$folder/notesdata" demo-seed
  printf '%s\r\n' '[PARAM]' 'DELAI=12' \
    'BAL_0=mail\jdupont.nsf' 'SERVEUR_LOTUS_0=Paris/Vantor' 'BAL_ARCHIVE_0=archive\jdupont_archive.nsf' \
    'BAL_1=mail\equipe.nsf' 'SERVEUR_LOTUS_1=Lyon/Vantor' 'BAL_2=' 'SERVEUR_LOTUS_2=' \
    "PASSWORD=$(printf '\x7fjw}x{')" 'AUTO=1' 'LOGOFF=0' 'AUTONOTES=0' \
    'COULEUR=FFF2CC' 'HEIGHT=2325' 'WIDTH=5400' > "$folder/param.ini"
  register_demo_client "$folder"
}

# register_demo_client FOLDER: the registry file of the program folder, as the
# registry editor writes it (UTF-16LE with BOM, CRLF), with the mail client's
# folder "Path" set to FOLDER and its trailing separator, so that Vantor
# starts the stand-in client FOLDER/notes at launch when it is there.
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

# start_display: Xvfb on a free display number, with a notification area
# (trayer) so that Vantor can hide to its tray icon. Exports DISPLAY and
# appends the processes to the array `pids`.
start_display() {
  local n=$(( 150 + $$ % 100 ))
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$(( n + 1 )); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  unset QT_QPA_PLATFORM
  sleep 1
  trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
}

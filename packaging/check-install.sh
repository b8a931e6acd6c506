#!/usr/bin/env bash
# Checks what `cmake --install` makes of a build: the program folder and the
# system layout (as the Debian package has it) hold exactly the expected
# files, the desktop entry and the AppStream metadata validate, the SVG icon
# still matches the program's drawing, no build path or RPATH is baked in,
# and the launcher starts Vantor from a folder the user can write to.
#
#   packaging/check-install.sh --build DIR [--with-notes] [--stripped]
#
# --with-notes: the build has the stand-in mail client `notes`.
# --stripped: install stripped (a release build) and also check that no
#             source or build path is left in the executables.
set -uo pipefail

build=""
with_notes=0
stripped=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="${2:?--build needs a folder}"; shift 2 ;;
    --with-notes) with_notes=1; shift ;;
    --stripped) stripped=1; shift ;;
    *) echo "usage: $0 --build DIR [--with-notes] [--stripped]" >&2; exit 2 ;;
  esac
done
[ -f "$build/cmake_install.cmake" ] || { echo "$0: $build is not a configured build folder" >&2; exit 2; }
build="$(cd "$build" && pwd)"
root="$(cd "$(dirname "$0")/.." && pwd)"
for tool in desktop-file-validate appstreamcli rsvg-convert readelf strings cmp; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
done

app_id=org.vantor.vantor
work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-install.XXXXXX")"
chmod 755 "$work"
cleanup() {
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  local out
  if out="$("$@" 2>&1)"; then
    passed=$((passed + 1)); echo "ok    $what"
  else
    failed=$((failed + 1)); echo "FAIL  $what"; [ -n "$out" ] && printf '%s\n' "$out" | sed 's/^/      /'
  fi
}

install_args=()
[ "$stripped" = 1 ] && install_args+=(--strip)
folder="$work/folder"
stage="$work/stage"
cmake --install "$build" --prefix "$folder" "${install_args[@]}" >"$work/install-folder.log" 2>&1 ||
  { cat "$work/install-folder.log"; exit 1; }
DESTDIR="$stage" cmake --install "$build" --prefix /usr "${install_args[@]}" >"$work/install-system.log" 2>&1 ||
  { cat "$work/install-system.log"; exit 1; }
system="$stage/usr"

# ---- layouts ----

icons() {
  local size
  for size in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/$app_id.png"; done
  echo "share/icons/hicolor/scalable/apps/$app_id.svg"
}
programs() {
  echo "$1vantor"; echo "$1vantor-launcher"; echo "$1vantor-store"
  [ "$with_notes" = 1 ] && echo "$1notes"
  return 0
}
expected_folder() {
  { programs ""; icons
    echo "share/applications/$app_id.desktop"; echo "share/metainfo/$app_id.metainfo.xml"
    echo "share/doc/vantor/copyright"; } | sort
}
expected_system() {
  { programs "lib/vantor/"; icons
    echo "bin/vantor"; echo "bin/vantor-store"
    echo "share/applications/$app_id.desktop"; echo "share/metainfo/$app_id.metainfo.xml"
    echo "share/doc/vantor/copyright"; echo "share/doc/vantor/changelog.gz"
    echo "share/man/man1/vantor.1.gz"; echo "share/man/man1/vantor-store.1.gz"; } | sort
}
listing() { (cd "$1" && find . -not -type d | sed 's|^\./||' | sort); }
same_files() { diff <("$1") <(listing "$2"); }
check "program folder holds exactly the program, its launcher, entry, metadata and icons" same_files expected_folder "$folder"
check "system layout holds exactly the Debian package's files" same_files expected_system "$system"

links_to_launcher() {
  local command
  for command in vantor vantor-store; do
    [ "$(readlink "$system/bin/$command")" = "../lib/vantor/vantor-launcher" ] || { echo "bin/$command"; return 1; }
  done
}
check "bin/vantor and bin/vantor-store are relative links to the launcher" links_to_launcher

png_sizes() {
  local size f
  for size in 16 22 24 32 48 64 128 256; do
    f="$folder/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    file -b "$f" | grep -q "PNG image data, $size x $size," || { echo "$f: $(file -b "$f")"; return 1; }
  done
}
check "the PNG icons have their nominal sizes" png_sizes

# ---- desktop entry, metadata, icon ----

check "desktop-file-validate accepts the desktop entry" \
  desktop-file-validate "$system/share/applications/$app_id.desktop"
appstream_clean() {
  local out
  out="$(appstreamcli validate-tree --no-net --pedantic "$stage" 2>&1)" || { echo "$out"; return 1; }
  # Pedantic remarks count as failures too: none is left on purpose.
  if grep -qE '^ *[EWIP]: ' <<<"$out"; then echo "$out"; return 1; fi
}
check "appstreamcli validate-tree --no-net --pedantic: no remark" appstream_clean

svg_matches_drawing() {
  local png="$work/svg64.png" difference
  rsvg-convert -w 64 -h 64 -o "$png" "$system/share/icons/hicolor/scalable/apps/$app_id.svg" || return 1
  difference="$(QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$build/vantor-icon" compare "$png" 2>/dev/null)" ||
    return 1
  # Faithful renderings differ by antialiasing alone (about 0.5); a changed
  # colour, shape or stroke gives 1.5 and more.
  awk -v d="$difference" 'BEGIN { exit !(d < 1.0) }' || {
    echo "mean difference $difference per channel: redraw packaging/icons/vantor.svg after src/core/artwork.cpp"
    return 1
  }
}
check "the SVG icon matches the program's own drawing" svg_matches_drawing

# ---- relocatable executables ----

elf_files() { find "$folder" "$system" -type f -perm -u+x -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print; }
no_rpath() {
  local f bad=0
  while IFS= read -r f; do
    if readelf -d "$f" | grep -E 'RPATH|RUNPATH'; then echo "$f"; bad=1; fi
  done < <(elf_files)
  return $bad
}
check "no RPATH or RUNPATH in the installed executables" no_rpath
if [ "$stripped" = 1 ]; then
  no_build_paths() {
    local f bad=0
    while IFS= read -r f; do
      if strings -a "$f" | grep -F -e "$build" -e "$root"; then echo "$f"; bad=1; fi
    done < <(elf_files)
    return $bad
  }
  check "no source or build path in the stripped executables" no_build_paths
fi

# ---- the launcher ----

# A link named vantor-store to LAUNCHER (as /usr/bin has), which then runs
# the store tool: store_link LAUNCHER prints the link.
store_link() {
  local bin
  bin="$(mktemp -d "$work/bin.XXXXXX")"
  chmod 755 "$bin"
  ln -s "$1" "$bin/vantor-store"
  echo "$bin/vantor-store"
}

# A copied program folder runs where it lands; a writable one is used in place.
moved="$work/moved folder"
cp -a "$folder" "$moved"
in_place() {
  local home="$work/home-in-place"
  HOME="$home" XDG_DATA_HOME="" "$moved/vantor-launcher" --add-to-menu >/dev/null || return 1
  local store
  store="$(store_link "$moved/vantor-launcher")"
  (cd "$work" && HOME="$home" XDG_DATA_HOME="" "$store" create-server Paris >/dev/null) || return 1
  [ -d "$moved/notesdata/paris" ] || { echo "no notesdata beside the executables"; return 1; }
  [ ! -e "$home/.local/share/vantor" ] || { echo "a per-user folder was made"; return 1; }
  desktop-file-validate "$home/.local/share/applications/$app_id.desktop"
}
check "a writable program folder, moved, is used in place and can add itself to the menu" in_place

# Vantor writes the command that started it into the user's autostart
# entry: the launcher hands it its own path.
names_itself() {
  local named="$work/named folder"
  cp -a "$folder" "$named"
  printf '#!/bin/sh\nprintf %%s "$VANTOR_LAUNCHER" >"$(dirname "$0")/launcher.txt"\n' >"$named/vantor"
  "$named/vantor-launcher" || return 1
  [ "$(cat "$named/launcher.txt")" = "$named/vantor-launcher" ] ||
    { echo "VANTOR_LAUNCHER=$(cat "$named/launcher.txt")"; return 1; }
}
check "the launcher tells Vantor its own path, for the autostart entry" names_itself

user_data="$work/xdg"
user_folder="$user_data/vantor"
per_user() {
  XDG_DATA_HOME="$user_data" "$system/bin/vantor-store" create-server Paris >/dev/null || return 1
  [ "$(stat -c %a "$user_folder")" = 700 ] || { echo "mode $(stat -c %a "$user_folder")"; return 1; }
  local exe
  while IFS= read -r exe; do
    cmp -s "$system/lib/vantor/$exe" "$user_folder/$exe" || { echo "no copy of $exe"; return 1; }
  done < <(programs "" | grep -v launcher)
  [ -d "$user_folder/notesdata" ] || { echo "the store is not in the per-user folder"; return 1; }
  if listing "$system/lib/vantor" | grep -v -x -e vantor -e vantor-launcher -e vantor-store -e notes; then
    echo "files written beside the system install"; return 1
  fi
}
check "the system install runs from \$XDG_DATA_HOME/vantor (mode 700, copies), even for root" per_user

follows_upgrade() {
  printf 'PARAM\r\n' >"$user_folder/param.ini"
  printf 'x' >>"$system/lib/vantor/vantor-store"  # an upgraded executable
  XDG_DATA_HOME="$user_data" "$system/bin/vantor-store" --help >/dev/null || return 1
  cmp -s "$system/lib/vantor/vantor-store" "$user_folder/vantor-store" || { echo "copy not refreshed"; return 1; }
  [ "$(cat "$user_folder/param.ini")" = $'PARAM\r' ] || { echo "param.ini changed"; return 1; }
  [ -d "$user_folder/notesdata/paris" ] || { echo "the store lost its server"; return 1; }
}
check "an upgraded executable is copied again, the user's files are left alone" follows_upgrade

bad_data_home() {
  HOME="$work/home-relative" XDG_DATA_HOME="relative/path" "$system/bin/vantor-store" --help >/dev/null || return 1
  [ -d "$work/home-relative/.local/share/vantor" ] || { echo "a relative XDG_DATA_HOME was used"; return 1; }
  : >"$work/a-file"
  if out="$(XDG_DATA_HOME="$work/a-file" "$system/bin/vantor-store" --help 2>&1)"; then
    echo "started with a file where its folder should be"; return 1
  fi
  grep -q "vantor : " <<<"$out" || { echo "no message: $out"; return 1; }
}
check "a relative XDG_DATA_HOME is ignored; a file in the folder's place stops with a message" bad_data_home

# A folder the user cannot write to (an archive unpacked in /opt by root); the
# store tool through a link named vantor-store, as /usr/bin has it.
read_only_folder() {
  local home="$work/home-ro" store
  store="$(store_link "$folder/vantor-launcher")"
  mkdir -p "$home"
  if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null || { echo "setpriv is missing"; return 1; }
    chown 65534:65534 "$home"
    chmod -R a+rX "$folder"  # whatever the umask the install ran under
    HOME="$home" XDG_DATA_HOME="" setpriv --reuid=65534 --regid=65534 --clear-groups \
      "$store" create-server Lyon >/dev/null || return 1
  else
    chmod a-w "$folder"
    HOME="$home" XDG_DATA_HOME="" "$store" create-server Lyon >/dev/null
    local rc=$?
    chmod u+w "$folder"
    [ $rc = 0 ] || return 1
  fi
  [ -d "$home/.local/share/vantor/notesdata/lyon" ] || { echo "not run from the per-user folder"; return 1; }
  [ ! -e "$folder/notesdata" ] || { echo "wrote into the read-only folder"; return 1; }
}
check "a program folder the user cannot write to runs from the per-user folder" read_only_folder

# The launcher registers the folder's mail client `notes` as the client's
# installer would, so that Vantor starts it: in a new registry file as the
# registry editor writes it, or at the end of the user's own file; a key the
# user wrote, or something other than a file, is left as it is.
registers_mail_client() {
  local reg="$work/reg \"folder\"" expected text size
  cp -a "$folder" "$reg"
  printf '#!/bin/sh\nexit 0\n' >"$reg/vantor"  # only the launcher's part is looked at
  "$reg/vantor-launcher" || { echo "the launcher failed"; return 1; }
  [ "$(head -c 2 "$reg/registre.reg" | od -An -tx1 | tr -d ' \n')" = fffe ] || { echo "no UTF-16 mark"; return 1; }
  text="$(tail -c +3 "$reg/registre.reg" | iconv -f UTF-16LE -t UTF-8)"
  expected=$'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes]\r\n"Path"="'
  expected+="${reg//\"/\\\"}"$'/"\r'
  [ "$text" = "$expected" ] || { echo "new registre.reg:"; printf '%s\n' "$text" | od -c | head; return 1; }

  cp "$reg/registre.reg" "$work/registered.reg"
  "$reg/vantor-launcher" && cmp "$work/registered.reg" "$reg/registre.reg" || { echo "registered twice"; return 1; }

  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lotus\\Notes]\r\n"Path"="/opt/notes/"\r\n' >"$reg/registre.reg"
  cp "$reg/registre.reg" "$work/user-key.reg"
  "$reg/vantor-launcher" && cmp "$work/user-key.reg" "$reg/registre.reg" || { echo "the user's key changed"; return 1; }

  # Another key, no line end at the end, Windows-1252 text.
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\351]\r\n"Nom"="\351t\351"' >"$reg/registre.reg"
  cp "$reg/registre.reg" "$work/user-file.reg"
  size="$(stat -c %s "$work/user-file.reg")"
  "$reg/vantor-launcher" || return 1
  cmp -n "$size" "$work/user-file.reg" "$reg/registre.reg" || { echo "the user's file changed"; return 1; }
  text="$(tail -c +"$((size + 1))" "$reg/registre.reg" | iconv -f CP1252 -t UTF-8)"
  expected=$'\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes]\r\n"Path"="'"${reg//\"/\\\"}"$'/"\r'
  [ "$text" = "$expected" ] || { echo "added to the user's file:"; printf '%s\n' "$text" | od -c | head; return 1; }

  rm "$reg/registre.reg"
  mkdir "$reg/registre.reg"
  "$reg/vantor-launcher" 2>/dev/null && [ -d "$reg/registre.reg" ] || { echo "a folder in its place"; return 1; }
  [ -z "$(find "$reg" -maxdepth 1 -name '.registre.reg.*')" ] || { echo "temporary files left"; return 1; }
}
[ "$with_notes" = 1 ] &&
  check "the launcher registers the mail client in registre.reg, never over the user's key" registers_mail_client

# The desktop entry's command, as a menu runs it, starts Vantor in the
# per-user folder: it writes its param.ini there on its first start.
desktop_entry_starts_vantor() {
  local command data="$work/xdg-desktop"
  command="$(sed -n 's/^Exec=//p' "$system/share/applications/$app_id.desktop")"
  [ "$command" = vantor ] || { echo "Exec=$command"; return 1; }
  PATH="$system/bin:$PATH" XDG_DATA_HOME="$data" QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=0 "$command" >"$work/vantor.log" 2>&1 &
  local pid=$!
  local waited=0
  while [ ! -s "$data/vantor/param.ini" ] && kill -0 "$pid" 2>/dev/null && [ $waited -lt 600 ]; do
    sleep 0.1; waited=$((waited + 1))
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  [ -s "$data/vantor/param.ini" ] || { echo "no param.ini in $data/vantor"; cat "$work/vantor.log"; return 1; }
  grep -q '^\[PARAM\]' "$data/vantor/param.ini" || { echo "param.ini:"; cat "$data/vantor/param.ini"; return 1; }
}
check "the desktop entry starts Vantor, which writes its settings in the per-user folder" desktop_entry_starts_vantor

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

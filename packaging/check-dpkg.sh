#!/usr/bin/env bash
# Installs the Debian package with dpkg, starts Vantor from the installed
# desktop entry as an unprivileged user, then removes and purges the package,
# and checks that the system's files are back as they were: nothing left,
# nothing else touched.
#
#   packaging/check-dpkg.sh vantor_VERSION_ARCH.deb
#
# Needs root; refuses to run where a package named vantor is installed.
set -euo pipefail

deb="${1:?usage: $0 vantor_VERSION_ARCH.deb}"
[ "$(id -u)" = 0 ] || { echo "$0: needs root (dpkg -i)" >&2; exit 2; }
[ -f "$deb" ] || { echo "$0: $deb: no such file" >&2; exit 2; }
if dpkg-query -W -f='${Status}' vantor 2>/dev/null | grep -qv "not-installed"; then
  echo "$0: a vantor package is already on this machine; remove it first" >&2
  exit 2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-dpkg.XXXXXX")"
installed=0
cleanup() {
  [ "$installed" = 1 ] && dpkg -P vantor >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# Every name under the folders a package or its triggers can write to, less
# dpkg's own journal and lock files, which change with any dpkg run.
snapshot() {
  find /usr /etc /opt /var/lib /var/cache -xdev 2>/dev/null |
    grep -v -E '^/var/lib/dpkg/(updates/|lock|triggers/Lock|status-old|available-old|tmp\.ci)' |
    grep -v -E '^/var/cache/(apt|debconf|man)/' | sort
}

passed=0
failed=0
outcome() {  # outcome DESCRIPTION STATUS [DETAILS]
  if [ "$2" = 0 ]; then
    passed=$((passed + 1)); echo "ok    $1"
  else
    failed=$((failed + 1)); echo "FAIL  $1"; [ -n "${3:-}" ] && printf '%s\n' "$3" | sed 's/^/      /'
  fi
}

snapshot >"$work/before"

status=0
dpkg -i "$deb" >"$work/dpkg-i.log" 2>&1 || status=$?
[ "$status" = 0 ] && installed=1
outcome "dpkg -i installs the package" "$status" "$(cat "$work/dpkg-i.log")"
[ "$status" = 0 ] || { echo "$passed passed, $failed failed"; exit 1; }

snapshot >"$work/installed"
added="$(comm -13 "$work/before" "$work/installed")"
listed="$(dpkg -L vantor | grep -v '^/\.$' | sort -u)"
# Folders the package shares with others (/usr/share/...) were there before.
stray="$(comm -23 <(printf '%s\n' "$added") <(printf '%s\n' "$listed") | grep -v '^/var/lib/dpkg/info/vantor\.' || true)"
outcome "the install adds only the package's files (and dpkg's record of them)" "$([ -z "$stray" ] && echo 0 || echo 1)" "$stray"

# Files in the package's program folder that the package did not put there.
unpackaged() {
  comm -13 <(dpkg -L vantor | grep '^/usr/lib/vantor/' | sort) <(find /usr/lib/vantor -mindepth 1 | sort)
}

# The menu's command as a normal user: Vantor runs from ~/.local/share/vantor.
home="$work/home"
mkdir -p "$home"
chown 65534:65534 "$home"
chmod 755 "$work"
command="$(sed -n 's/^Exec=//p' /usr/share/applications/org.vantor.vantor.desktop)"
setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin \
  QT_QPA_PLATFORM=offscreen "$command" >"$work/vantor.log" 2>&1 &
pid=$!
waited=0
while [ ! -s "$home/.local/share/vantor/param.ini" ] && kill -0 "$pid" 2>/dev/null && [ $waited -lt 600 ]; do
  sleep 0.1
  waited=$((waited + 1))
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
status=1
[ -s "$home/.local/share/vantor/param.ini" ] && [ -z "$(unpackaged)" ] && status=0
outcome "the desktop entry (Exec=$command) starts Vantor for a normal user in ~/.local/share/vantor" \
  "$status" "$(ls -la "$home/.local/share/vantor" /usr/lib/vantor 2>&1; cat "$work/vantor.log")"

# Root too keeps its files out of the package's folder.
XDG_DATA_HOME="$work/root-data" /usr/bin/vantor-store create-server Paris >/dev/null 2>&1 || true
status=1
[ -d "$work/root-data/vantor/notesdata/paris" ] && [ -z "$(unpackaged)" ] && status=0
outcome "vantor-store run by root works in root's own folder, not in /usr/lib/vantor" "$status" "$(ls -la /usr/lib/vantor)"

dpkg -r vantor >"$work/dpkg-r.log" 2>&1 && status=0 || status=$?
snapshot >"$work/removed"
left="$(diff "$work/before" "$work/removed" || true)"
outcome "dpkg -r leaves the files as they were before the install" "$([ "$status" = 0 ] && [ -z "$left" ] && echo 0 || echo 1)" \
  "$(cat "$work/dpkg-r.log"; printf '%s\n' "$left")"

dpkg -P vantor >"$work/dpkg-p.log" 2>&1 && status=0 || status=$?
installed=0
snapshot >"$work/purged"
left="$(diff "$work/before" "$work/purged" || true)"
gone="$(dpkg-query -W -f='${Status}' vantor 2>/dev/null || true)"
outcome "dpkg -P leaves no trace, not even in dpkg's records" \
  "$([ "$status" = 0 ] && [ -z "$left" ] && { [ -z "$gone" ] || [ "$gone" = "unknown ok not-installed" ]; } && echo 0 || echo 1)" \
  "$(cat "$work/dpkg-p.log"; printf '%s\n' "$left"; echo "status: $gone")"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

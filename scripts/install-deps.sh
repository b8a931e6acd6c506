#!/usr/bin/env bash
# Installs the Debian packages Vantor needs to build, test and run its demo,
# only those that are missing. Needs root (or sudo) when something is missing.
# With "fuzz", also what the fuzz targets need (clang and its libFuzzer).
# Dovecot is installed for the tests and the demo, which start their own
# instances: the installation leaves no system IMAP service running or enabled.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libsqlite3-dev libgmime-3.0-dev libxml2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev xvfb xauth trayer openbox imagemagick x11-utils xdotool
  dbus-daemon at-spi2-core python3-pyatspi python3-pytest python3-tenacity
  qt6-translations-l10n
  desktop-file-utils appstream librsvg2-bin file
  weston xwayland qt6-wayland
  qtkeychain-qt6-dev gnome-keyring libglib2.0-bin
  dovecot-imapd openssl python3 e2fsprogs
)
[ "${1:-}" = fuzz ] && packages+=(clang-14 libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq

# Keeps the packages' services from starting while they install (policy-rc.d
# answers 101, "action forbidden", to every start); a policy of the machine's
# own is left as it is.
installs_dovecot=no
for p in "${missing[@]}"; do [ "$p" = dovecot-imapd ] && installs_dovecot=yes; done
policy=/usr/sbin/policy-rc.d
own_policy=no
if [ "$installs_dovecot" = yes ] && [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  own_policy=yes
fi
remove_policy() { [ "$own_policy" = yes ] && $sudo rm -f "$policy"; return 0; }
trap remove_policy EXIT
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
remove_policy
own_policy=no

# The system's Dovecot stays stopped and disabled: the tests and the demo run
# instances of their own, on their own ports.
if [ "$installs_dovecot" = yes ]; then
  if [ -d /run/systemd/system ]; then
    $sudo systemctl disable --now dovecot.service dovecot.socket >/dev/null 2>&1 || true
    for unit in dovecot.service dovecot.socket; do
      if systemctl is-active --quiet "$unit" || systemctl is-enabled --quiet "$unit"; then
        echo "install-deps: $unit is still running or enabled" >&2
        exit 1
      fi
    done
  elif [ -x /etc/init.d/dovecot ]; then
    $sudo update-rc.d dovecot disable >/dev/null 2>&1 || true
    $sudo /etc/init.d/dovecot stop >/dev/null 2>&1 || true
  fi
  if [ -s /run/dovecot/master.pid ] && kill -0 "$(cat /run/dovecot/master.pid)" 2>/dev/null; then
    echo "install-deps: the system's Dovecot is running" >&2
    exit 1
  fi
fi

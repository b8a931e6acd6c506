#!/usr/bin/env bash
# Builds Vantor in Release with Debian's hardening flags, checks what it
# installs, and makes the packages in dist/:
#   vantor-VERSION-linux-ARCH/         the program folder, ready to copy
#   vantor-VERSION-linux-ARCH.tar.gz   the same folder as an archive
#   vantor_VERSION_ARCH.deb            the Debian package
#   lintian.txt                        what lintian says of the package
#
#   scripts/package.sh [--dpkg-check]
#
# --dpkg-check also installs the package with dpkg, starts Vantor from its
# desktop entry as an unprivileged user, removes and purges it, and checks
# that no file is left behind (packaging/check-dpkg.sh; needs root, and
# changes this machine's packages while it runs).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

dpkg_check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --dpkg-check) dpkg_check=1; shift ;;
    *) echo "usage: $0 [--dpkg-check]" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-deps.sh"
# What only packaging needs: dpkg-shlibdeps for the dependencies, lintian.
missing=()
for p in dpkg-dev lintian file; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="$root/build-package"
dist="$root/dist"
cd "$root"
# Debian's flags, with every hardening option (bindnow, PIE) on.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF -DVANTOR_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
ninja -C "$build"

echo "== checking the installed layouts"
# shellcheck disable=SC2046  # the flags file holds zero or one word
"$root/packaging/check-install.sh" --build "$build" --stripped $(cat "$build/packaging/check-flags")

name="$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
rm -rf "$dist"
mkdir -p "$dist"
cmake --install "$build" --prefix "$dist/$name" --strip >/dev/null
echo "== program folder: $dist/$name"
desktop-file-validate "$dist/$name/share/applications/"*.desktop
appstreamcli validate --no-net --pedantic "$dist/$name/share/metainfo/"*.metainfo.xml

echo "== packages"
(cd "$build" && cpack -G "TGZ;DEB" -B "$dist" >/dev/null)
rm -rf "$dist/_CPack_Packages"
deb="$(ls "$dist"/*.deb)"
ls -l "$dist"/*.tar.gz "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

echo "== lintian"
# Errors fail the script; the warnings left are explained in README.md.
lintian --info --display-level '>=pedantic' "$deb" >"$dist/lintian.txt" 2>&1 || true
cat "$dist/lintian.txt"
if grep -q '^E: ' "$dist/lintian.txt"; then
  echo "lintian reports errors" >&2
  exit 1
fi

if [ "$dpkg_check" = 1 ]; then
  echo "== install, start, remove, purge"
  "$root/packaging/check-dpkg.sh" "$deb"
fi
echo "done: $dist"

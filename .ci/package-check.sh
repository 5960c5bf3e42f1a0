#!/usr/bin/env bash
# CI: builds the Debian package from a build folder (by default build/), installs it as a user
# would, with what it depends on, checks the installed files, and removes it again. Needs root
# or sudo; leaves the package uninstalled whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi
apt_get() { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "$@"; }

# The tools of the check itself.
tools=()
command -v man >/dev/null || tools+=(man-db)
command -v desktop-file-validate >/dev/null || tools+=(desktop-file-utils)
if [ ${#tools[@]} -gt 0 ]; then
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${tools[@]}"
fi

if dpkg-query -W -f='${Status}' corvina 2>/dev/null | grep -q "install ok installed"; then
    echo "package-check: corvina is installed already; not touching it" >&2
    exit 1
fi

rm -f "$build"/corvina_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/corvina_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package-check: no single .deb" >&2; exit 1; }
deb=$(realpath "${debs[0]}")
echo "-- $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends

remove() { apt_get remove -y -qq corvina >/dev/null || true; }
trap remove EXIT
apt_get install -y -qq --no-install-recommends "$deb"

# From the installed files only: no build folder on PATH, the system's manual page index.
PATH=/usr/bin:/bin
for file in /usr/bin/corvina /usr/bin/corvina-cli /usr/share/applications/corvina.desktop \
        /usr/share/man/man1/corvina-cli.1.gz /usr/share/doc/corvina/README.md \
        /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/corvina.png; do
    dpkg -S "$file" >/dev/null
done
corvina-cli --help | grep -q "find-player"
corvina-cli --version
man -P cat corvina-cli 2>/dev/null | grep -q "find-player"
echo "man corvina-cli: $(man -P cat corvina-cli 2>/dev/null | wc -l) lines"
desktop-file-validate /usr/share/applications/corvina.desktop  # fails on errors, prints hints
echo "desktop-file-validate: passed"

remove
trap - EXIT
if dpkg-query -W -f='${Status}' corvina 2>/dev/null | grep -q "install ok installed"; then
    echo "package-check: corvina is still installed" >&2
    exit 1
fi
[ ! -e /usr/bin/corvina-cli ] || { echo "package-check: removal left files" >&2; exit 1; }
echo "-- installed, checked and removed"

#!/usr/bin/env bash
# Installs what .ci/wine-room.sh needs: the mingw-w64 cross-compiler, Wine and a virtual X server.
set -euo pipefail
packages=(g++-mingw-w64-x86-64-posix wine64 wine xvfb cmake ninja-build)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"

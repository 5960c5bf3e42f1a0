#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need: the mingw-w64 cross-compiler,
# Wine, a virtual X server, and the Japanese locale ja_JP.UTF-8. Wine takes a process's ANSI code
# page from the Unix locale: under ja_JP.UTF-8 it is 932, as on a Japanese Windows, and the
# conformance tests (.ci/wine-core.sh) run there. Without that locale generated, Wine falls back
# to code page 1252.
set -euo pipefail
packages=(g++-mingw-w64-x86-64-posix wine64 wine xvfb cmake ninja-build locales)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi
# `locale -a` spells it ja_JP.utf8. localedef adds it to the locale archive at once, whatever
# /etc/locale.gen lists (locale-gen would rebuild every locale listed there).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    "${sudo[@]}" localedef -i ja_JP -c -f UTF-8 -A /usr/share/locale/locale.alias ja_JP.UTF-8
fi

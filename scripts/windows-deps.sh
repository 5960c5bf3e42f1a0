#!/usr/bin/env bash
# The libraries of the Windows cross-build, from Debian and built here, nothing vendored:
# libjpeg-turbo from Debian's source package and GoogleTest from /usr/src/googletest (package
# googletest), both cross-built statically with our mingw-w64 toolchain file and installed into
# build-windows/deps (or the folder given as the first argument). The set-up (apt) happens here;
# the build itself downloads nothing.
#
# Needs root for apt: adds a deb-src entry for the machine's Debian sources when none is there
# (deb822 .sources files or sources.list), installs dpkg-dev, nasm, googletest and the
# mingw-w64 cross-compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deps=$(realpath -m "${1:-build-windows/deps}")
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
work="$deps/src"
mkdir -p "$work"

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

have_deb_src() {
    grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
        grep -qsE '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources
}

if ! have_deb_src; then
    echo "-- adding a deb-src entry for the machine's Debian sources"
    deb822=(/etc/apt/sources.list.d/*.sources)
    if [ -e "${deb822[0]}" ]; then
        for file in "${deb822[@]}"; do
            sed 's/^Types:.*/Types: deb-src/' "$file" |
                "${as_root[@]}" tee "/etc/apt/sources.list.d/corvina-src-$(basename "$file")" >/dev/null
        done
    elif [ -f /etc/apt/sources.list ]; then
        grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | sed 's/^\([[:space:]]*\)deb/\1deb-src/' |
            "${as_root[@]}" tee /etc/apt/sources.list.d/corvina-src.list >/dev/null
    else
        echo "no Debian sources found in /etc/apt" >&2
        exit 1
    fi
    "${as_root[@]}" apt-get update -q
fi

packages=(dpkg-dev nasm googletest g++-mingw-w64-x86-64-posix cmake ninja-build)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

# libjpeg-turbo: Debian's source package, unpacked once.
if [ ! -f "$deps/lib/libjpeg.a" ]; then
    if ! ls -d "$work"/libjpeg-turbo-*/ >/dev/null 2>&1; then
        (cd "$work" && apt-get source --download-only libjpeg-turbo >/dev/null &&
            dpkg-source -x --skip-patches "$(ls libjpeg-turbo_*.dsc | head -n 1)" >/dev/null)
    fi
    source_dir=$(ls -d "$work"/libjpeg-turbo-*/ | head -n 1)
    cmake -S "$source_dir" -B "$work/build-libjpeg" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$deps" >"$work/libjpeg-configure.log"
    cmake --build "$work/build-libjpeg" >"$work/libjpeg-build.log"
    cmake --install "$work/build-libjpeg" >/dev/null
fi

# GoogleTest from the googletest package's sources.
if [ ! -f "$deps/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$work/build-googletest" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$deps" >"$work/googletest-configure.log"
    cmake --build "$work/build-googletest" >"$work/googletest-build.log"
    cmake --install "$work/build-googletest" >/dev/null
fi
echo "-- Windows libraries in $deps"

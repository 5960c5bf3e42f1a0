#!/usr/bin/env bash
# The Windows build of the core, its tests and corvina-cli, cross-built on Debian with mingw-w64
# into build-windows/ (or $CORVINA_WINDOWS_BUILD), then run under Wine with no display:
#   1. set-up: the cross-compiler, Wine, and the libraries from Debian sources
#      (scripts/windows-deps.sh, .ci/setup-wine.sh; needs root or sudo for apt);
#   2. the cross-build, linked statically: build-windows/corvina-cli.exe and
#      build-windows/tests/*_tests.exe;
#   3. `corvina-cli.exe --help` and the core tests under Wine (.ci/wine-core.sh);
#   4. corvina-cli.exe end to end under Wine against a native corvina-cli (.ci/wine-cli.sh):
#      the native one is $CORVINA_LINUX_BUILD/corvina-cli when that is set, otherwise one built
#      here without windows or tests into build-cli-linux/ (g++ and libjpeg from apt).
# --no-tests stops after the build. Exits non-zero when a step or a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${CORVINA_WINDOWS_BUILD:-build-windows}
run_tests=1
[ "${1:-}" = --no-tests ] && run_tests=0

started=$(date +%s)
echo "== set-up"
.ci/setup-wine.sh
scripts/windows-deps.sh "$build/deps"

echo "== cross-build into $build"
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DCORVINA_WINDOWS_DEPS="$(realpath "$build/deps")" -DCMAKE_BUILD_TYPE=Release \
    -DCORVINA_GUI=OFF -DCORVINA_BENCH=OFF >"$build/configure.log" ||
    { cat "$build/configure.log"; exit 1; }
cmake --build "$build"
file "$build/corvina-cli.exe"
[ "$run_tests" -eq 1 ] || exit 0

echo "== corvina-cli.exe --help under Wine"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
timeout 120 wine "$build/corvina-cli.exe" --help >"$work/help.out" 2>"$work/help.err" ||
    { cat "$work/help.err"; exit 1; }
head -n 1 "$work/help.out"

echo "== core tests under Wine"
status=0
CORVINA_WINEPREFIX="$WINEPREFIX" .ci/wine-core.sh "$build" || status=$?

linux_build=${CORVINA_LINUX_BUILD:-}
if [ -z "$linux_build" ]; then
    echo "== native corvina-cli into build-cli-linux"
    native=(g++ libjpeg62-turbo-dev)
    missing=()
    for package in "${native[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        sudo=()
        [ "$(id -u)" -eq 0 ] || sudo=(sudo)
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q \
            --no-install-recommends "${missing[@]}"
    fi
    linux_build=build-cli-linux
    cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVINA_GUI=OFF \
        -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF >"$work/configure-linux.log" ||
        { cat "$work/configure-linux.log"; exit 1; }
    cmake --build "$linux_build" --target corvina-cli -j2
fi
echo "== corvina-cli.exe end to end under Wine"
CORVINA_WINEPREFIX="$WINEPREFIX" .ci/wine-cli.sh "$linux_build" "$build" || status=1
echo "== Windows build and tests: $(($(date +%s) - started)) s"
exit "$status"

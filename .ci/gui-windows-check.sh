#!/usr/bin/env bash
# The desktop program cannot be built for Windows here (no Debian package has Qt for Windows), but
# its sources can be checked: each file of src/gui is compiled (syntax and types only) by the
# mingw-w64 cross-compiler against Debian's Qt 6 headers, as a Windows build would see them, so
# that nothing in the window code needs Linux. Needs the cross-compiler (.ci/setup-wine.sh) and
# Qt's headers (scripts/setup.sh). Exits 1 naming each file that does not compile.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=$(dirname "$(find /usr/include -maxdepth 3 -type d -name QtWidgets -path '*qt6*' | head -n 1)")
[ -d "$qt" ] || { echo "Qt 6 headers not found (scripts/setup.sh installs them)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {
    x86_64-w64-mingw32-g++-posix -std=c++20 -fsyntax-only -w -DNOMINMAX -DWIN32_LEAN_AND_MEAN \
        -DUNICODE -D_UNICODE -Isrc -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" \
        "$1" >"$2" 2>&1
}
export -f check
export qt

status=0
count=0
for source in $(find src/gui -name '*.cpp' | sort); do
    count=$((count + 1))
    log="$work/$(echo "$source" | tr / _).log"
    if ! check "$source" "$log"; then
        echo "does not compile for Windows: $source"
        head -n 20 "$log" | sed 's/^/    /'
        status=1
    fi
done
echo "== window code for Windows: $count files checked"
exit "$status"

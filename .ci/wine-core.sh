#!/usr/bin/env bash
# The core's test programs of the Windows build (build-windows/tests/*_tests.exe, made by
# scripts/build-windows.sh) run under Wine, no display needed: one line per program with its
# passed, failed and skipped counts, the failures' names, and a total. Exits 1 when a test
# fails or a program does not finish.
#
# conformance_tests compares our code page 932 conversion and profile files with the Windows API's
# own, the ANSI ("A") functions among them, which use the process's ANSI code page; Wine takes it
# from the Unix locale. So that program runs under ja_JP.UTF-8 (code page 932, as on a Japanese
# Windows; .ci/setup-wine.sh generates the locale) and the others under the caller's locale, as
# before: their expectations do not depend on the code page, and they stay as they were.
#
# Wine's output goes to files, never a pipe; every run is under `timeout`; the Wine server is
# ended at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
work=$(mktemp -d)
export WINEPREFIX="${CORVINA_WINEPREFIX:-$work/prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no Mono or Gecko prompts
cleanup() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

shopt -s nullglob
programs=("$build"/tests/*_tests.exe)
[ ${#programs[@]} -gt 0 ] || { echo "no test programs in $build/tests" >&2; exit 1; }
timeout 120 wineboot --init >"$work/wineboot.out" 2>&1 || true

total_pass=0 total_fail=0 total_skip=0 status=0
for program in "${programs[@]}"; do
    name=$(basename "$program" .exe)
    out="$work/$name.out"
    rc=0
    locale=()
    if [ "$name" = conformance_tests ]; then
        locale=(env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
    fi
    timeout 300 "${locale[@]}" wine "$program" --gtest_color=no >"$out" 2>"$work/$name.err" || rc=$?
    sed -i 's/\r$//' "$out"
    pass=$(grep -c '^\[       OK \]' "$out" || true)
    awk '/^\[  FAILED  \] .*\(/{print $4}' "$out" >"$work/$name.failed"
    fail=$(wc -l <"$work/$name.failed")
    skip=$(grep -c '^\[  SKIPPED \] .*(' "$out" || true)
    total_pass=$((total_pass + pass)) total_fail=$((total_fail + fail))
    total_skip=$((total_skip + skip))
    printf '%-16s %4d passed %4d failed %4d skipped' "$name" "$pass" "$fail" "$skip"
    if ! grep -q '^\[==========\] .* ran\.' "$out"; then
        printf '  (did not finish: exit %d)' "$rc"
        status=1
        tail -n 5 "$out" "$work/$name.err" | sed 's/^/    /'
    fi
    echo
    if [ "$fail" -gt 0 ]; then
        status=1
        sed 's/^/    FAILED /' "$work/$name.failed"
    fi
    # Each reason for a skip once, with how many tests gave it.
    awk '/: Skipped$/{getline; print}' "$out" | sort | uniq -c | sed 's/^ */    skipped: /'
    if [ -n "${CORVINA_WINE_LOGS:-}" ]; then
        mkdir -p "$CORVINA_WINE_LOGS" && cp "$out" "$work/$name.err" "$CORVINA_WINE_LOGS/"
    fi
done
echo "== core tests under Wine: $total_pass passed, $total_fail failed, $total_skip skipped"
exit "$status"

#!/usr/bin/env bash
# The library update on the real Windows API: cross-builds the update with the Win32 processes
# backend and a stand-in for gigabeat room (tests/win32), runs the update under Wine on a virtual
# X server against the stand-in, installed in a folder with a blank in its name, and checks the
# stand-in's log: the start-up record, both clicks and all six key events.
#
# Wine's output goes to files (a pipe can keep Wine's processes waiting), every Wine command runs
# under `timeout`, and the Wine server is ended at the end whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" = --session ]; then
    # Inside xvfb-run: the environment and the work folder come from the outer part below.
    work=$2
    # A Wine server that stays up keeps Wine's desktop process running from the set-up on. Without
    # it the stand-in, as the first window of a new server, starts the desktop itself and waits
    # for it, and in Wine that wait counts the stand-in as ready for input before its window
    # exists.
    mkdir -p "$WINEPREFIX"
    timeout 10 wineserver -p >"$work/wineserver.out" 2>&1
    timeout 120 wineboot --init >"$work/wineboot.out" 2>&1
    room="$WINEPREFIX/drive_c/gigabeat room"
    mkdir -p "$room"
    cp "$root/build-win32/GBRoom.exe" "$room/"
    # The first candidate of the blank rule, C:\gigabeat.exe, exists but is a folder: passed over.
    mkdir -p "$WINEPREFIX/drive_c/gigabeat.exe"
    timeout 60 wine "$root/build-win32/launch_room.exe" 'C:\gigabeat room\GBRoom.exe' \
        >"$work/launch.out" 2>"$work/launch.err"
    # The keys are queued for the stand-in and may arrive after the second click: wait for all.
    for _ in $(seq 100); do
        [ "$(grep -c '^button \|^key ' "$room/room.log" 2>/dev/null)" -ge 10 ] && break
        sleep 0.1
    done
    cp "$room/room.log" "$work/room.log" 2>/dev/null || true
    exit 0
fi

started=$(date +%s)
cmake -S tests/win32 -B build-win32 -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win32

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all,err+module  # keeps a missing DLL visible
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no Mono or Gecko prompts
status=0
timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" "$0" --session "$work" \
    >"$work/session.out" 2>&1 || status=$?
timeout 30 wineserver -k >/dev/null 2>&1 || true

show() {
    for file in session.out wineboot.out launch.out launch.err room.log; do
        [ -s "$work/$file" ] && { echo "-- $file"; cat "$work/$file"; }
    done
    return 0
}
fail() {
    echo "FAILED: $*"
    show
    exit 1
}
[ "$status" -eq 0 ] || fail "the Wine session ended with status $status"
log="$work/room.log"
[ -f "$log" ] || fail "the stand-in for gigabeat room never started"
sed -i 's/\r$//' "$work/launch.out"  # Windows' text mode ends lines with CR LF
echo "-- launch_room"
cat "$work/launch.out"
echo "-- room.log"
cat "$log"

# Wine puts quotes around a program name with blanks in the command line the program sees;
# Windows passes it on as given.
grep -qxE 'command line \["?C:\\gigabeat room\\GBRoom\.exe"?\]' "$log" ||
    fail "not started from the path with a blank"
grep -qxF 'startup flags=7 show=0 x=0 y=0 width=640 height=480' "$log" ||
    fail "start-up record"
grep -qxF 'first show visible=0' "$log" || fail "the first window was not asked to start hidden"
clicks=$(grep '^button ' "$log" | tr '\n' ';' || true)
[ "$clicks" = "button down 0 0;button up 0 0;button down 0 0;button up 0 0;" ] ||
    fail "clicks: $clicks"
keys=$(grep '^key ' "$log" | tr '\n' ';' || true)
[ "$keys" = "key down 116;key up 116;key down 17;key down 116;key up 17;key up 116;" ] ||
    fail "keys: $keys"
grep -qxF 'status [gigabeat room 起動中。]' "$work/launch.out" || fail "status text while waiting"
grep -q '^box ' "$work/launch.out" && fail "the update showed a message box"
tail -n 1 "$work/launch.out" | grep -q '^done after [1-9][0-9]* waits$' ||
    fail "launch_room did not finish"
echo "== Win32 library update under Wine passed in $(($(date +%s) - started)) s"

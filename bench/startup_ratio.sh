#!/usr/bin/env bash
# Start-up of the command-line tool and of the desktop program against their floors, measured in
# the same run, as two ratios of medians (goals: at most 2.0 and 1.5):
#
#   - corvina-cli tags on one SAT file of a demo player, against a minimal C program that opens
#     the same file and reads the same bytes (the tag block, 670 bytes from offset 128);
#   - the desktop program's main window mapped on an X display, against an empty Qt Widgets
#     window (bench/empty_window.cpp, built with the program), both on a private Xvfb server.
#
#   bench/startup_ratio.sh [BUILD-DIR [RUNS]]      (defaults: build, 31)
#
# BUILD-DIR must hold corvina-cli, corvina and bench/empty_window (configure with the desktop
# program and the benchmarks on, and build the targets corvina-cli, corvina and empty_window).
# Needs cc, libX11's headers (libx11-dev) and Xvfb (xvfb); on Debian:
#   apt-get install -y xvfb libx11-dev
# The tests do not need these; only this script does.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(cd "${1:-$source_dir/build}" && pwd)
runs=${2:-31}

for tool in "$build/corvina-cli" "$build/corvina" "$build/bench/empty_window"; do
    [ -x "$tool" ] || { echo "$0: $tool is missing; build it first" >&2; exit 2; }
done
for tool in cc Xvfb; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (see the header)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvina-startup-XXXXXX")
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The floor of the command-line tool: open, the file's type, read the tag block, close, print.
cat >"$work/read_floor.c" <<'EOF'
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
int main(int argc, char** argv) {
    unsigned char block[670];
    struct stat st;
    const int fd = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &st) != 0 || pread(fd, block, sizeof block, 128) < 0) return 1;
    close(fd);
    printf("%s\t%u\n", argv[1], block[0]);
    return 0;
}
EOF
cc -O2 -o "$work/read_floor" "$work/read_floor.c"
cc -O2 -o "$work/startup_timer" "$here/startup_timer.c" -lX11

"$source_dir/scripts/make-demo-player.sh" "$work/prefix" >/dev/null
sat=$(find "$work/prefix/player" -name '*.SAT' | sort | head -n 1)
[ -n "$sat" ] || { echo "$0: the demo player has no SAT file" >&2; exit 1; }

echo "corvina-cli tags on one file, against open and read of the same bytes ($runs runs each):"
read -r floor_ms cli_ms cli_ratio floor_cpu cli_cpu cpu_ratio < <("$work/startup_timer" exit \
    "$runs" -- "$work/read_floor" "$sat" -- "$build/corvina-cli" tags "$sat")
echo "  floor $floor_ms ms, corvina-cli $cli_ms ms: ratio $cli_ratio (goal: at most 2.0)"
echo "  CPU time: floor $floor_cpu ms, corvina-cli $cli_cpu ms: ratio $cpu_ratio"

# A private X server without a window manager, so that the first map is the window's own.
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "$0: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

echo "Main window mapped, against an empty Qt Widgets window ($runs runs each):"
read -r floor_ms window_ms window_ratio < <(CORVINA_PREFIX="$work/prefix" \
    "$work/startup_timer" window "$runs" \
    -- "$build/bench/empty_window" -- "$build/corvina")
echo "  floor $floor_ms ms, corvina $window_ms ms: ratio $window_ratio (goal: at most 1.5)"

# For reading the ratio above: the same empty window with one line of Japanese text, whose extra
# time is the font system's start (its configuration, font list and first glyphs), which the
# program's window pays as well.
echo "Main window mapped, against the empty window with one line of Japanese text ($runs runs each):"
read -r text_ms text_window_ms text_ratio < <(CORVINA_PREFIX="$work/prefix" \
    "$work/startup_timer" window "$runs" \
    -- "$build/bench/empty_window" --text -- "$build/corvina")
echo "  floor $text_ms ms, corvina $text_window_ms ms: ratio $text_ratio (for information)"

#!/usr/bin/env bash
# The batch rewrite on a FAT32 player against a plain pass over the same files
# (bench/fat_batch_bench.cpp): makes a 128 MB FAT32 image whose MUSIC folder holds 2,000 SAT files
# of 32 KiB, mounts it with fusefat over a loop device as .ci/fat-check.sh does, runs
# BUILD-DIR/bench/fat_batch_bench on it, and unmounts and removes everything again.
#
#   bench/fat_batch_ratio.sh [BUILD-DIR] [BENCHMARK-OPTIONS...]
#
# BUILD-DIR defaults to $CORVINA_BUILD_DIR or build. Needs root (loop devices); installs fusefat,
# dosfstools and mtools when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${CORVINA_BUILD_DIR:-build}}
[ $# -eq 0 ] || shift
bench=$(realpath -m "$build/bench/fat_batch_bench")
files=2000

fail() {
    echo "fat_batch_ratio: $*" >&2
    exit 1
}
[ -x "$bench" ] || fail "$bench is not built (configure with -DCORVINA_BENCH=ON)"
[ -c /dev/fuse ] || fail "/dev/fuse is missing, so no FAT32 image can be mounted here"
fat_name=fat_batch_ratio
# shellcheck source=.ci/fat-image.sh
source .ci/fat-image.sh
fat_tools

work=$(mktemp -d "${TMPDIR:-/tmp}/corvina-fat-bench-XXXXXX")
image=$work/fat.img
mnt=$work/GIGABEAT
cleanup() {
    set +e
    unmount_image
    mounted || rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$mnt" "$work/player/MUSIC" "$work/player/GBSYSTEM/IMAGE"
python3 - "$work/player/MUSIC" "$files" <<'EOF'
import os, random, sys
for i in range(int(sys.argv[2])):
    with open(os.path.join(sys.argv[1], f"T{i:04d}.SAT"), "wb") as f:
        f.write(random.Random(i).randbytes(32768))
EOF
truncate -s 128M "$image"
mkfs.vfat -F 32 -n GIGABEAT "$image" >/dev/null
for folder in "$work/player"/*; do mcopy -s -i "$image" "$folder" ::/; done
mount_image strict
[ "$(find "$mnt/MUSIC" -name '*.SAT' | wc -l)" -eq "$files" ] || fail "the image lacks files"
# The bench's own drive map goes into the work folder too.
TMPDIR=$work CORVINA_FAT_PLAYER=$mnt "$bench" "$@"

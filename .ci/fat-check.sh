#!/usr/bin/env bash
# CI: batch runs and their undo on a real FAT32 file system, as the player has. An image made by
# mkfs.vfat and filled with mtools is mounted in user space by fusefat over a loop device (the
# kernel here has no vfat driver), and the built corvina-cli works on it:
#
#   1. a batch over 2,000 SAT files in one folder (texts and a jacket picture), and one over 200
#      files with long names (texts and numbered tracks);
#   2. fsck.vfat finds the file system clean after the unmount;
#   3. the files, read back from the image with mtools, differ from their pristine copies only
#      in the tag bytes (256 to 821), and GBSYSTEM/IMAGE holds one new 11,266-byte jacket file;
#   4. undo of both batches gives every byte back;
#   5. a batch whose FUSE connection is aborted halfway (the player pulled out) fails naming a
#      file, and after a new mount undo gives every byte back.
#
#   .ci/fat-check.sh            (CORVINA_BUILD_DIR names the build folder, build/ by default)
#
# Needs root (loop devices, the FUSE connection's abort switch); installs fusefat, dosfstools and
# mtools when missing. Skips, with exit status 0, only where /dev/fuse is missing or no loop
# device can be set up. Unmounts, detaches and removes everything it made however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_COLLATE=C  # file lists in byte order

cli=$(realpath -m "${CORVINA_BUILD_DIR:-build}/corvina-cli")
compare=$(realpath .ci/fat_compare.py)
big_count=2000
album_count=200
started=$SECONDS

say() { echo "fat-check: [$((SECONDS - started))s] $*"; }
fail() {
    echo "fat-check: FAILED: $*" >&2
    exit 1
}

if [ ! -c /dev/fuse ]; then
    echo "fat-check: skipped: /dev/fuse is missing, so no FAT32 image can be mounted here"
    exit 0
fi
[ -x "$cli" ] || fail "$cli is not built (scripts/build.sh builds it)"
fat_name=fat-check
# shellcheck source=.ci/fat-image.sh
source .ci/fat-image.sh
fat_tools

work=$(mktemp -d "${TMPDIR:-/tmp}/corvina-fat-XXXXXX")
image=$work/fat.img
mnt=$work/GIGABEAT
pristine=$work/pristine
export CORVINA_PREFIX=$work/prefix
undo_folder=$CORVINA_PREFIX/drive_c/Corvina/Undo
mkdir -p "$mnt" "$CORVINA_PREFIX/dosdevices"
ln -s "$mnt" "$CORVINA_PREFIX/dosdevices/f:"  # the player's drive, mapped by hand
batch_pid=""
fusectl=""  # set when this script mounted the FUSE control file system

cleanup() {
    set +e
    if [ -n "$batch_pid" ]; then
        kill "$batch_pid" 2>/dev/null
        wait "$batch_pid" 2>/dev/null
    fi
    unmount_image
    [ -z "$fusectl" ] || umount /sys/fs/fuse/connections
    mounted || rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# fsck.vfat -n on the unmounted image; a check straight after an unmount has been seen to report
# a dirty bit that a later one did not, so it is asked again for a few seconds before failing.
check_fsck() {
    local i
    for ((i = 0; i < 5; i++)); do
        fsck.vfat -n "$image" >"$work/fsck.log" 2>&1 && return 0
        sleep 1
    done
    cat "$work/fsck.log" >&2
    return 1
}

# The whole image read back with mtools (not through fusefat) into folder $1.
extract() {
    rm -rf "$1"
    mkdir -p "$1"
    mcopy -s -n -i "$image" '::*' "$1/"
}

# --- the pristine files and the image -----------------------------------------------------------
# MUSIC/BIG: 2,000 SAT files of 4 KiB with 8.3 names; MUSIC/ALBUM: 200 of 3 KiB with long names;
# each file's bytes come from a generator seeded by its number, so every file differs from every
# other. GBSYSTEM/IMAGE holds two jacket files already. picture.bmp is the jacket picture, a
# 24-bit bitmap.
python3 - "$pristine" "$work/picture.bmp" "$big_count" "$album_count" <<'EOF'
import os, random, struct, sys
root, picture, big, album = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for folder in ("MUSIC/BIG", "MUSIC/ALBUM", "GBSYSTEM/IMAGE"):
    os.makedirs(os.path.join(root, folder))
for i in range(big):
    with open(os.path.join(root, "MUSIC/BIG", f"T{i:04d}.SAT"), "wb") as f:
        f.write(random.Random(i).randbytes(4096))
for i in range(album):
    with open(os.path.join(root, "MUSIC/ALBUM", f"Track {i + 1:03d} Nocturne.sat"), "wb") as f:
        f.write(random.Random(100000 + i).randbytes(3072))
for name in ("0123456789ABCDEF.GBP", "ZYXWVUTSRQPONMLK.GBP"):
    with open(os.path.join(root, "GBSYSTEM/IMAGE", name), "wb") as f:
        f.write(random.Random(name).randbytes(11266))
width, height = 40, 30
row = (width * 3 + 3) & ~3
pixels = b"".join(bytes(b for x in range(width) for b in (x * 6, y * 8, 128)).ljust(row, b"\0")
                  for y in range(height))
with open(picture, "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0))
    f.write(pixels)
EOF
truncate -s 64M "$image"
mkfs.vfat -F 32 -n GIGABEAT "$image" >/dev/null
for folder in "$pristine"/*; do mcopy -s -i "$image" "$folder" ::/; done
extract "$work/read"
python3 "$compare" "$pristine" "$work/read" || fail "the image does not hold the pristine files"
say "image: FAT32, 64 MB, $big_count + $album_count SAT files, read back identical"

mount_image skip
[ -d "$mnt/GBSYSTEM" ] || fail "the mounted image shows no GBSYSTEM folder"

# --- 1. the batches -----------------------------------------------------------------------------
big=("$mnt"/MUSIC/BIG/*.SAT)
album=("$mnt"/MUSIC/ALBUM/*.sat)
[ ${#big[@]} -eq "$big_count" ] && [ ${#album[@]} -eq "$album_count" ] ||
    fail "the mount lists ${#big[@]} and ${#album[@]} files instead of $big_count and $album_count"
t=$SECONDS
"$cli" batch --player "$mnt" --artist '星野ひかり' --album '春の午後 Live' --genre 'J-POP' \
    --picture "$work/picture.bmp" "${big[@]}" >"$work/big.out" 2>"$work/big.err" ||
    fail "batch over $big_count files: exit status $?: $(cat "$work/big.err")"
jacket=$(grep -o '[0-9A-Z]\{16\}\.GBP' "$work/big.out" | tail -n 1 || true)
[ -n "$jacket" ] || fail "batch over $big_count files named no jacket file: $(cat "$work/big.out")"
say "1. batch over $big_count files in one folder, texts and picture: done in $((SECONDS - t))s," \
    "jacket $jacket"
t=$SECONDS
"$cli" batch --player "$mnt" --artist 'The Lanterns' --album 'Northbound' --genre 'Rock' \
    --number "${album[@]}" >"$work/album.out" 2>"$work/album.err" ||
    fail "batch over $album_count files: exit status $?: $(cat "$work/album.err")"
say "1. batch over $album_count long-named files, texts and track numbers: done in" \
    "$((SECONDS - t))s"
unmount_image

# --- 2. fsck ------------------------------------------------------------------------------------
check_fsck || fail "fsck.vfat -n finds errors after the batches"
say "2. fsck.vfat -n after the batches: clean"

# --- 3. only the tag bytes changed --------------------------------------------------------------
extract "$work/read"
python3 "$compare" --allow 256-821 --changed --new 'GBSYSTEM/IMAGE/[0-9A-Z]{16}\.GBP' \
    "$pristine" "$work/read" >"$work/compare.out" ||
    fail "a byte outside the tag block changed after the batches (above)"
grep -qx "changed: $((big_count + album_count)) of $((big_count + album_count + 2)) files" \
    "$work/compare.out" || fail "not every file was rewritten: $(cat "$work/compare.out")"
grep -qx "new: GBSYSTEM/IMAGE/$jacket 11266" "$work/compare.out" &&
    [ "$(grep -c '^new:' "$work/compare.out")" -eq 1 ] ||
    fail "GBSYSTEM/IMAGE does not hold just the one new 11,266-byte $jacket: $(cat "$work/compare.out")"
# What the tags say, read with corvina-cli from the copies: texts, jacket, track numbers.
"$cli" tags "$work"/read/MUSIC/BIG/*.SAT | awk -F '\t' -v jacket="$jacket" '
    $3 != "星野ひかり" || $4 != "春の午後 Live" || $5 != "J-POP" || $7 != jacket {
        print "fat-check: FAILED: tags of " $1 ": " $0 > "/dev/stderr"; exit 1 }' ||
    fail "the 2,000 files' tags are not as written"
"$cli" tags "$work"/read/MUSIC/ALBUM/*.sat | awk -F '\t' '
    $3 != "The Lanterns" || $4 != "Northbound" || $5 != "Rock" || $6 != NR {
        print "fat-check: FAILED: tags of " $1 ": " $0 > "/dev/stderr"; exit 1 }' ||
    fail "the numbered files' tags are not as written"
say "3. bytes outside 256..821 unchanged in all $((big_count + album_count)) files, tags as" \
    "written, one jacket file of 11,266 bytes added"

# --- 4. undo ------------------------------------------------------------------------------------
mount_image strict
t=$SECONDS
for run in album big; do
    "$cli" undo >"$work/undo-$run.out" 2>"$work/undo-$run.err" ||
        fail "undo of the $run batch: exit status $?: $(cat "$work/undo-$run.out" "$work/undo-$run.err")"
done
undo_seconds=$((SECONDS - t))
unmount_image
check_fsck || fail "fsck.vfat -n finds errors after the undo"
extract "$work/read"
python3 "$compare" "$pristine" "$work/read" || fail "undo did not give every byte back (above)"
say "4. undo of both batches in ${undo_seconds}s: every file identical to its pristine copy," \
    "IMAGE as before, fsck clean"

# --- 5. the player pulled out halfway -----------------------------------------------------------
mount_image strict
device=$(awk -v mnt="$mnt" '$5 == mnt { print $3 }' /proc/self/mountinfo)
connection=$((${device%%:*} * 1048576 + ${device##*:}))
abort=/sys/fs/fuse/connections/$connection/abort
if [ ! -e "$abort" ] && ! grep -q ' - fusectl ' /proc/self/mountinfo; then
    mount -t fusectl fusectl /sys/fs/fuse/connections ||
        fail "the FUSE control file system cannot be mounted at /sys/fs/fuse/connections"
    fusectl=1
fi
[ -e "$abort" ] || fail "no abort switch $abort for the mount (device $device)"
before=$(ls "$undo_folder")
"$cli" batch --player "$mnt" --artist 'Aoi Quartet' --album 'Etudes' --genre 'Classical' \
    --picture "$work/picture.bmp" "${big[@]}" >"$work/abort.out" 2>"$work/abort.err" &
batch_pid=$!
# The run's journal says in its header (bytes 16 to 19) how many files it has done, updated every
# 100 ms; the connection is aborted once it says some are, while the run is still going.
done_count=0
for ((i = 0; i < 6000; i++)); do
    state=$(awk '{ print $3 }' "/proc/$batch_pid/stat" 2>/dev/null || true)
    [ -n "$state" ] && [ "$state" != Z ] || break
    for journal in "$undo_folder"/*.undo; do
        [ -e "$journal" ] && ! grep -qxF "$(basename "$journal")" <<<"$before" || continue
        [ "$(head -c 8 "$journal" 2>/dev/null)" = CORVUNDO ] || continue
        read -r done_count count < <(od -An -tu4 -j16 -N8 "$journal") || true
        [ "${count:-0}" -eq "$big_count" ] || done_count=0
        done_count=${done_count:-0}
    done
    if [ "$done_count" -gt 0 ] && [ "$done_count" -lt "$big_count" ]; then
        echo 1 >"$abort"
        break
    fi
    sleep 0.01
done
status=0
wait "$batch_pid" || status=$?
batch_pid=""
[ "$done_count" -gt 0 ] ||
    fail "the interrupted batch ended (status $status) before its journal counted a file done:" \
        "$(cat "$work/abort.err")"
[ "$status" -eq 1 ] ||
    fail "the interrupted batch exited with $status, not 1: $(cat "$work/abort.out" "$work/abort.err")"
grep -q "$mnt/MUSIC/BIG/T[0-9]*\.SAT" "$work/abort.err" ||
    fail "the interrupted batch named no file on stderr: $(cat "$work/abort.err")"
say "5. connection aborted when the journal counted $done_count of $big_count files: exit status 1," \
    "$(grep -o 'T[0-9]*\.SAT' "$work/abort.err" | head -n 1) named"
unmount_image
if check_fsck; then
    say "5. fsck.vfat -n after the abort: clean"
else
    say "5. fsck.vfat -n after the abort reports errors (the driver's; checked again after undo)"
fi
extract "$work/read"
python3 "$compare" --allow 256-821 --changed --new 'GBSYSTEM/IMAGE/[0-9A-Z]{16}\.GBP' \
    "$pristine" "$work/read" >"$work/compare.out" ||
    fail "a byte outside the tag block changed in the interrupted batch (above)"
changed=$(sed -n 's/^changed: \([0-9]*\) of .*/\1/p' "$work/compare.out")
[ "$changed" -gt 0 ] && [ "$changed" -lt "$big_count" ] ||
    fail "the interrupted batch rewrote $changed of $big_count files, not some of them"
mount_image strict
t=$SECONDS
"$cli" undo >"$work/undo-abort.out" 2>"$work/undo-abort.err" ||
    fail "undo of the interrupted batch: exit status $?:" \
        "$(cat "$work/undo-abort.out" "$work/undo-abort.err")"
undo_seconds=$((SECONDS - t))
unmount_image
check_fsck || fail "fsck.vfat -n finds errors after the undo of the interrupted batch"
extract "$work/read"
python3 "$compare" "$pristine" "$work/read" ||
    fail "undo of the interrupted batch did not give every byte back (above)"
say "5. $changed files rewritten before the abort; undo in ${undo_seconds}s: every file identical" \
    "to its pristine copy, fsck clean"
say "passed"

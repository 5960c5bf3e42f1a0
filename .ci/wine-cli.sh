#!/usr/bin/env bash
# corvina-cli.exe of the Windows build end to end under Wine, against corvina-cli of a Linux
# build on the same files:
#
#   .ci/wine-cli.sh LINUX-BUILD WINDOWS-BUILD
#
# corvina-cli.exe is copied into a scratch program folder (its undo folder goes beside it) and a
# Wine drive letter (the first free one from G:) is linked in $WINEPREFIX/dosdevices to a scratch
# player made by scripts/make-demo-player.sh, with 100 more SAT files. The checks, one line each:
#   rewrite  texts in Japanese and with best-fit characters, a track and a jacket name: the same
#            bytes as the Linux build writes for the same arguments (whole files, cmp);
#   batch    over 100 files of the Wine drive with the texts, numbering and a picture, then undo:
#            every file as it was, nothing added or left, the undo folder beside the executable;
#   tags     tags --json of the same files prints what the Linux build prints (the file paths
#            and the line ends, CR LF on Windows, aside);
#   find     find-player lists the linked drive, whose root holds GBSYSTEM.
# Exits 1 when a check fails. Wine's own prefix is a fresh one under a temporary folder, or
# $CORVINA_WINEPREFIX; its output goes to files, each run is under `timeout`, and the Wine server
# is ended at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -ne 2 ]; then
    echo "usage: $0 LINUX-BUILD WINDOWS-BUILD" >&2
    exit 2
fi
linux_exe=$(realpath "$1/corvina-cli")
windows_exe=$(realpath "$2/corvina-cli.exe")
for f in "$linux_exe" "$windows_exe"; do
    [ -f "$f" ] || { echo "$0: $f is missing" >&2; exit 2; }
done

started=$(date +%s)
work=$(mktemp -d)
export WINEPREFIX="${CORVINA_WINEPREFIX:-$work/prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no Mono or Gecko prompts
link=""
cleanup() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    [ -z "$link" ] || rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT

timeout 120 wineboot --init >"$work/wineboot.out" 2>&1 || true
letter=""
for l in g h i j k l m n o p q r s t u v w x y; do
    if [ ! -e "$WINEPREFIX/dosdevices/$l:" ] && [ ! -L "$WINEPREFIX/dosdevices/$l:" ]; then
        letter=$l
        break
    fi
done
[ -n "$letter" ] || { echo "$0: no free drive letter in $WINEPREFIX/dosdevices" >&2; exit 1; }
drive=${letter^^}:

# The player: the demo player's drive (GBSYSTEM, jackets, eight SAT files in three folders) and
# 100 files in MUSIC\BATCH, each copied from a demo file and made unique outside its tag block.
scripts/make-demo-player.sh "$work/demo" >"$work/demo.out"
player="$work/demo/player"
mkdir -p "$player/MUSIC/BATCH"
demo_files=("$player"/MUSIC/*/*.SAT)
for i in $(seq 0 99); do
    name=$(printf 'T%03d.SAT' "$i")
    cp "${demo_files[$((i % ${#demo_files[@]}))]}" "$player/MUSIC/BATCH/$name"
    printf 'file %03d' "$i" | dd of="$player/MUSIC/BATCH/$name" bs=1 seek=3000 conv=notrunc \
        status=none
done
# The batch's picture: the demo's first jacket as a bitmap, read from outside the player.
CORVINA_PREFIX="$work/linux-prefix" "$linux_exe" gbp-to-bmp \
    "$player/GBSYSTEM/IMAGE/2K7QF1M8ZC4R9T3A.GBP" "$work/picture.bmp" >"$work/bmp.out"
ln -s "$player" "$WINEPREFIX/dosdevices/$letter:"
link="$WINEPREFIX/dosdevices/$letter:"
# Wine's mount manager reads dosdevices as it starts: ended here, it sees the new letter.
timeout 30 wineserver -k >/dev/null 2>&1 || true
timeout 30 wineserver -w >/dev/null 2>&1 || true

# corvina-cli.exe in a program folder of its own, as installed.
program="$work/program"
mkdir -p "$program"
cp "$windows_exe" "$program/corvina-cli.exe"

failures=0
check() {  # check NAME OK? DETAIL
    if [ "$2" = 0 ]; then
        printf 'ok    %-8s %s\n' "$1" "$3"
    else
        printf 'FAIL  %-8s %s\n' "$1" "$3"
        failures=$((failures + 1))
    fi
}
# wine_cli NAME ARGS...: corvina-cli.exe with its output in $work/NAME.out and .err.
wine_cli() {
    local name=$1
    shift
    local rc=0
    timeout 300 wine "$program/corvina-cli.exe" "$@" >"$work/$name.out" 2>"$work/$name.err" ||
        rc=$?
    [ "$rc" -eq 0 ] || sed "s/^/    $name: /" "$work/$name.err" >&2
    return "$rc"
}
linux_cli() {  # linux_cli NAME ARGS...: the same for the Linux build.
    local name=$1
    shift
    local rc=0
    CORVINA_PREFIX="$work/linux-prefix" timeout 300 "$linux_exe" "$@" \
        >"$work/$name.out" 2>"$work/$name.err" || rc=$?
    [ "$rc" -eq 0 ] || sed "s/^/    $name: /" "$work/$name.err" >&2
    return "$rc"
}
windows_path() {  # the Windows path of a file under the player
    local rest=${1#"$player"/}
    printf '%s\\%s' "$drive" "${rest//\//\\}"
}

# --- 1. rewrite: the same bytes as the Linux build ---------------------------------------------
# Best fit: é as e, Æ as A, ゔ as ヴ, ¥ as 0x5C, — (U+2014) as ―, ‖ as ∥; ① is NEC's own row.
artist='さくら楽団 ¥100 — café'
album='ゔぁいおりんÆ‖ ①'
genre='J-ポップ'
jacket='0123456789ABCDEF.GBP'
rewrite_files=("$player"/MUSIC/JPOP/*.SAT "$player"/MUSIC/MISC/*.SAT)
mkdir -p "$work/linux-rewrite"
linux_targets=() windows_targets=()
for f in "${rewrite_files[@]}"; do
    cp "$f" "$work/linux-rewrite/$(basename "$f")"
    linux_targets+=("$work/linux-rewrite/$(basename "$f")")
    windows_targets+=("$(windows_path "$f")")
done
rc=0
linux_cli rewrite-linux rewrite --artist "$artist" --album "$album" --genre "$genre" --track 7 \
    --jacket "$jacket" "${linux_targets[@]}" || rc=1
wine_cli rewrite-wine rewrite --artist "$artist" --album "$album" --genre "$genre" --track 7 \
    --jacket "$jacket" "${windows_targets[@]}" || rc=1
same=0
for f in "${rewrite_files[@]}"; do
    if cmp -s "$f" "$work/linux-rewrite/$(basename "$f")"; then
        same=$((same + 1))
    else
        rc=1
        cmp "$f" "$work/linux-rewrite/$(basename "$f")" 2>&1 | sed 's/^/    /' || true
    fi
done
check rewrite "$rc" "$same of ${#rewrite_files[@]} files the same bytes as the Linux build"

# --- 2. batch of 100 files, then undo: every byte back ------------------------------------------
cp -a "$player" "$work/before"
batch_targets=()
for f in "$player"/MUSIC/BATCH/*.SAT; do batch_targets+=("$(windows_path "$f")"); done
timeout 60 winepath -w "$work/picture.bmp" >"$work/picture.path" 2>"$work/winepath.err"
picture=$(tr -d '\r\n' <"$work/picture.path")
rc=0
wine_cli batch batch --player "$drive\\" --artist "$artist" --album "$album" --genre "$genre" \
    --number --picture "$picture" "${batch_targets[@]}" || rc=1
changed=0
for f in "$player"/MUSIC/BATCH/*.SAT; do
    cmp -s "$f" "$work/before/MUSIC/BATCH/$(basename "$f")" || changed=$((changed + 1))
done
[ "$changed" -eq 100 ] || rc=1
jackets=$(($(ls "$player/GBSYSTEM/IMAGE" | wc -l) - $(ls "$work/before/GBSYSTEM/IMAGE" | wc -l)))
[ "$jackets" -eq 1 ] || rc=1
check batch "$rc" "${#batch_targets[@]} files on $drive, $changed rewritten, $jackets jacket file added"

rc=0
wine_cli undo undo || rc=1
diff -r --no-dereference "$work/before" "$player" >"$work/undo.diff" 2>&1 || rc=1
[ "$rc" -eq 0 ] || sed 's/^/    /' "$work/undo.diff" | head -n 20
check undo "$rc" "every file of $drive as before the batch ($(find "$player" -type f | wc -l) files compared, none added)"

rc=0
journals=$(find "$program/Undo" -maxdepth 1 -name '*.undo' 2>/dev/null | wc -l)
[ "$journals" -eq 1 ] || rc=1
[ ! -e "$WINEPREFIX/drive_c/Corvina" ] || rc=1
check undo-dir "$rc" "$journals journal in the Undo folder beside corvina-cli.exe, none in C:\\Corvina"

# --- 3. tags --json: the same tags as the Linux build ------------------------------------------
json_files=("$player"/MUSIC/*/*.SAT)
windows_json=()
for f in "${json_files[@]}"; do windows_json+=("$(windows_path "$f")"); done
rc=0
linux_cli tags-linux tags --json "${json_files[@]}" "${linux_targets[@]}" || rc=1
wine_cli tags-wine tags --json "${windows_json[@]}" "${windows_targets[@]}" || rc=1
# Each file named by its file name alone, and lines ending in LF.
normalise() { sed -e 's/\r$//' -e 's/"file":"[^"]*[\\/]\([^"\\/]*\)"/"file":"\1"/' "$1"; }
normalise "$work/tags-linux.out" >"$work/tags-linux.json"
normalise "$work/tags-wine.out" >"$work/tags-wine.json"
grep -q $'\r$' "$work/tags-wine.out" || rc=1  # CR LF, as Windows ends lines
diff "$work/tags-linux.json" "$work/tags-wine.json" >"$work/tags.diff" || rc=1
[ "$rc" -eq 0 ] || sed 's/^/    /' "$work/tags.diff" | head -n 20
entries=$(grep -c '"file":' "$work/tags-wine.json" || true)
check tags "$rc" "$entries files, the same tags as the Linux build"

# --- 4. find-player: the linked drive ------------------------------------------------------------
rc=0
wine_cli find find-player || rc=1
tr -d '\r' <"$work/find.out" | grep -qixF "$drive\\" || rc=1
check find "$rc" "lists $drive\\ among: $(tr -d '\r' <"$work/find.out" | tr '\n' ' ')"

echo "== corvina-cli.exe end to end under Wine: $failures failed, $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Makes a demo prefix whose drive F: is a generated gigabeat F player, so that Corvina can be
# tried without a player:
#
#   scripts/make-demo-player.sh PREFIX [CORVINA-CLI]
#   CORVINA_PREFIX=PREFIX build/corvina
#
# PREFIX/dosdevices/f: links to PREFIX/player, which holds GBSYSTEM\IMAGE with jacket pictures,
# the wallpaper GBWALL.GBP, and SAT music files with Japanese and English tags in three folders
# under MUSIC. Running it again writes the demo files again and leaves anything else alone. With
# CORVINA-CLI given, the tags of the generated files are read back with it as a check.
#
# Needs only bash, coreutils, iconv and awk.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 PREFIX [CORVINA-CLI]" >&2
    exit 2
fi
prefix=$1
cli=${2:-}

mkdir -p "$prefix/dosdevices" "$prefix/drive_c/Corvina"
[ -e "$prefix/dosdevices/c:" ] || [ -L "$prefix/dosdevices/c:" ] || ln -s ../drive_c "$prefix/dosdevices/c:"
link="$prefix/dosdevices/f:"
if [ -e "$link" ] && [ ! -L "$link" ]; then
    echo "$0: $link exists and is not a link; not touching it" >&2
    exit 1
fi
ln -sfn ../player "$link"
player="$prefix/player"
mkdir -p "$player/GBSYSTEM/IMAGE" "$player/MUSIC/JPOP" "$player/MUSIC/ROCK" "$player/MUSIC/MISC"

# --- GBP pictures --------------------------------------------------------------------------
# A GBP file: width and height as 32-bit little-endian numbers, then one 16-bit little-endian
# device pixel per pixel, rows from the top (the 15-bit colour red<<10 | green<<5 | blue, shifted
# left by one); a jacket (75x75) ends with eight zero bytes, the wallpaper (240x320) does not.
# awk writes every byte as a \xHH escape and printf turns the escapes into bytes.
write_gbp() {  # write_gbp FILE PATTERN WIDTH HEIGHT
    local file=$1 pattern=$2 width=$3 height=$4
    printf '%b' "$(awk -v pattern="$pattern" -v w="$width" -v h="$height" '
        function le32(n) { printf "\\x%02x\\x%02x\\x%02x\\x%02x", n % 256, int(n / 256) % 256, 0, 0 }
        function px(r, g, b,   v) {
            r = int(r); g = int(g); b = int(b)
            r = r < 0 ? 0 : (r > 31 ? 31 : r); g = g < 0 ? 0 : (g > 31 ? 31 : g)
            b = b < 0 ? 0 : (b > 31 ? 31 : b)
            v = (r * 1024 + g * 32 + b) * 2
            printf "\\x%02x\\x%02x", v % 256, int(v / 256)
        }
        BEGIN {
            le32(w); le32(h)
            for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
                dx = x - w / 2; dy = y - h / 2; d = sqrt(dx * dx + dy * dy)
                if (pattern == "sunset") {          # warm gradient with a pale sun
                    if (d < 16) px(31, 29, 20); else px(31, 8 + y * 18 / h, 4 + x * 6 / w)
                } else if (pattern == "waves") {    # blue bands
                    band = int((y + 6 * sin(x / 8)) / 9) % 2
                    if (band) px(4, 12, 28); else px(12, 22, 31)
                } else if (pattern == "checks") {   # green checkerboard
                    if ((int(x / 15) + int(y / 15)) % 2) px(6, 24, 8); else px(26, 31, 22)
                } else if (pattern == "rings") {    # purple rings
                    if (int(d / 6) % 2) px(20, 6, 24); else px(30, 24, 31)
                } else {                            # wallpaper: night sky over a green hill
                    hill = h * 0.72 + 18 * sin(x / 30)
                    if (y > hill) px(3, 12 + (y - hill) / 12, 4)
                    else if ((x * 131 + y * 71 + x * y * 3) % 173 == 0) px(31, 31, 28)
                    else px(2, 3 + y * 8 / h, 10 + y * 16 / h)
                }
            }
            if (w == 75) for (i = 0; i < 8; i++) printf "\\x00"
        }')" > "$file"
}

image="$player/GBSYSTEM/IMAGE"
write_gbp "$image/2K7QF1M8ZC4R9T3A.GBP" sunset 75 75
write_gbp "$image/8WN5B0X2HJ6D1VYE.GBP" waves 75 75
write_gbp "$image/4P9S3L7GK1U0MA6C.GBP" checks 75 75
write_gbp "$image/0RT6E2Y8Q4I9OP5N.GBP" rings 75 75  # on the player, but no track uses it
write_gbp "$player/GBWALL.GBP" wallpaper 240 320

# --- SAT files -----------------------------------------------------------------------------
# 4,096 bytes of pseudo-random non-zero "music" with a tag block: UTF-16LE texts ended by a zero
# unit at 128 (Title, 100 bytes), 256 (Artist), 384 (Album) and 698 (Genre) (124 bytes each),
# the track number byte at 512 with zeros up to 523, and the jacket file name at 528 (40 bytes,
# then three zero bytes).
utf16_hex() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; }

write_sat() {  # write_sat FILE TITLE ARTIST ALBUM GENRE TRACK JACKET SEED
    local file=$1
    printf '%b' "$(awk -v title="$(utf16_hex "$2")" -v artist="$(utf16_hex "$3")" \
                       -v album="$(utf16_hex "$4")" -v genre="$(utf16_hex "$5")" \
                       -v track="$6" -v jacket="$(utf16_hex "$7")" -v seed="$8" '
        function hexval(s,   i, n) {
            n = 0
            for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
            return n
        }
        function field(offset, size, hex,   i, n) {   # zero the field, then the text and its end
            for (i = 0; i < size; i++) b[offset + i] = 0
            n = length(hex) / 2
            for (i = 0; i < n && i < size - 2; i++) b[offset + i] = hexval(substr(hex, 2 * i + 1, 2))
        }
        BEGIN {
            size = 4096; state = seed
            for (i = 0; i < size; i++) { state = (state * 1103515245 + 12345) % 2147483648; b[i] = 1 + int(state / 65536) % 255 }
            field(128, 100, title); field(256, 124, artist); field(384, 124, album)
            field(698, 124, genre)
            b[512] = track; for (i = 513; i <= 523; i++) b[i] = 0
            field(528, 43, jacket)
            for (i = 0; i < size; i++) printf "\\x%02x", b[i]
        }')" > "$file"
}

jpop="2K7QF1M8ZC4R9T3A.GBP"
rock="8WN5B0X2HJ6D1VYE.GBP"
misc="4P9S3L7GK1U0MA6C.GBP"
music="$player/MUSIC"
write_sat "$music/JPOP/SAKURA.SAT"   "さくら通り"       "星野ひかり" "春の午後"         "J-POP" 1 "$jpop" 11
write_sat "$music/JPOP/YUUNAGI.SAT"  "夕凪のうた"       "星野ひかり" "春の午後"         "J-POP" 2 "$jpop" 12
write_sat "$music/JPOP/HOSHIZORA.SAT" "星空ドライブ"    "星野ひかり" "春の午後"         "J-POP" 3 "$jpop" 13
write_sat "$music/ROCK/HARBOR.SAT"   "Harbor Lights"   "The Lanterns" "Northbound"     "Rock"  1 "$rock" 21
write_sat "$music/ROCK/ENGINE.SAT"   "Engine Room"     "The Lanterns" "Northbound"     "Rock"  2 "$rock" 22
write_sat "$music/ROCK/LASTTRAIN.SAT" "Last Train Home" "The Lanterns" "Northbound"    "Rock"  3 "$rock" 23
write_sat "$music/MISC/MORNING.SAT"  "Morning Etude"   "Aoi Quartet" "ピアノ小品集"      "Classical" 12 "$misc" 31
write_sat "$music/MISC/NOTAG.SAT"    "Untitled"        ""            ""                  ""      0 "" 32

if [ -n "$cli" ]; then
    CORVINA_PREFIX="$prefix" "$cli" tags "$music"/*/*.SAT > /dev/null
fi
echo "Demo player ready: F: is $player (start Corvina with CORVINA_PREFIX=$prefix)"

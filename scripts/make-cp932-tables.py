#!/usr/bin/env python3
"""Writes src/core/text/cp932_tables.inc, the constant tables of code page 932, from Microsoft's
"WindowsBestFit" table of the code page (bestfit932.txt).

The output is committed; the build does not run this script. Run it by hand from the project
folder when the table or the layout below changes, then build and run the tests (the cp932 tests
compare every code with the C library's converter):

    python3 scripts/make-cp932-tables.py ../shared/data/bestfit932.txt \
        > src/core/text/cp932_tables.inc

The table's sections: MBTABLE (single bytes to UTF-16), DBCSRANGE with its lead-byte ranges,
one DBCSTABLE per lead byte (trail byte to UTF-16) and WCTABLE (UTF-16 to the code that
WideCharToMultiByte writes, best-fit codes included). Lines are "0xCODE<TAB>0xCODE ;comment",
with CR LF line ends and comments in code page 932 bytes, which are ignored.

What the program makes of it:
  - Decoding: every code of MBTABLE and DBCSTABLE, except the lead bytes whose table holds nothing
    but the default character (0x8540, 0x8640, 0xEB40, 0xEC40, 0xEF40): those rows are unused, and
    the program reads their codes as characters without a counterpart.
  - Encoding, exact: the WCTABLE code of every unit that this code decodes back to, which is the
    code Windows picks among several that share a unit. To these come the look-alikes below: the
    first four are best fit in Microsoft's table too; the last five are our choice (the table has
    no entry for them), the mapping of the C library's converter, since an input method on Linux
    types U+301C for the wave dash and the others are its siblings in JIS X 0208.
  - Encoding, best fit: the remaining WCTABLE entries, one character for one (e with acute to e,
    hiragana VU to katakana VU). Every one of them must read back as a character.
"""

import re
import sys

# Units without a code of their own that stand for a JIS X 0208 character wherever the program
# converts a unit, both when it writes text and when it reads a unit from a file.
LOOK_ALIKES = {
    0x00A2: 0x8191,  # cent sign: full-width cent sign
    0x00A3: 0x8192,  # pound sign: full-width pound sign
    0x00A5: 0x5C,  # yen sign: the byte that Japanese systems show as the yen sign
    0x00AC: 0x81CA,  # not sign: full-width not sign
    0x2014: 0x815C,  # em dash: horizontal bar
    0x2016: 0x8161,  # double vertical line: parallel to
    0x203E: 0x7E,  # overline: the byte that JIS X 0201 shows as the overline
    0x2212: 0x817C,  # minus sign: full-width hyphen-minus
    0x301C: 0x8160,  # wave dash: full-width tilde
}
OUR_CHOICE = {0x2014, 0x2016, 0x203E, 0x2212, 0x301C}

NO_VALUE = 0xFFFF
ENCODE_BLOCK = 128  # units per block of the two-level encode table
TRAILS = range(0x40, 0xFD)  # the row of a lead byte: trail bytes 0x40-0xFC (0x7F unused)


def Fail(message):
    sys.exit("make-cp932-tables: " + message)


def Parse(path):
    single, double, wide = {}, {}, {}
    default_unit = None
    section, lead, left = None, None, 0
    with open(path, "rb") as f:
        for number, raw in enumerate(f.read().split(b"\n"), 1):
            words = raw.split(b";", 1)[0].split()
            if not words:
                continue
            head = words[0].decode("ascii", "replace")
            if head == "CPINFO":
                default_unit = int(words[3], 16)
            elif head in ("CODEPAGE", "DBCSRANGE", "ENDCODEPAGE"):
                section = head
            elif head == "MBTABLE":
                section, left = "MB", int(words[1])
            elif head == "WCTABLE":
                section, left = "WC", int(words[1])
            elif head == "DBCSTABLE":
                match = re.search(rb"LeadByte\s*=\s*(0x[0-9a-fA-F]+)", raw)
                if not match:
                    Fail(f"line {number}: DBCSTABLE without its lead byte")
                section, lead, left = "DB", int(match.group(1), 16), int(words[1])
                double[lead] = {}
            elif len(words) == 2 and left > 0:
                code, unit = int(words[0], 16), int(words[1], 16)
                {"MB": single, "WC": wide}.get(section, double.get(lead, {}))[code] = unit
                left -= 1
            elif len(words) == 2 and section in ("DBCSRANGE", "DB"):
                pass  # a lead-byte range, given again before its first DBCSTABLE
            else:
                Fail(f"line {number}: unexpected {raw!r}")
    if default_unit is None or left:
        Fail("table incomplete")
    return single, double, wide, default_unit


def Build(single, double, wide, default_unit):
    decode = dict(single)
    for lead, row in double.items():
        if list(row.values()) == [default_unit] and len(row) == 1:
            continue  # an unused lead byte
        for trail, unit in row.items():
            decode[lead << 8 | trail] = unit
    exact, best_fit = {}, {}
    for unit, code in wide.items():
        if decode.get(code) == unit:
            exact[unit] = code
        elif unit in LOOK_ALIKES:
            if LOOK_ALIKES[unit] != code:
                Fail(f"U+{unit:04X}: the table's best fit 0x{code:X} is not our look-alike")
        elif code in decode:
            best_fit[unit] = code
        else:
            Fail(f"U+{unit:04X}: its best fit 0x{code:X} reads back as no character")
    for unit in set(decode.values()):
        if unit not in exact:
            Fail(f"U+{unit:04X} decodes but has no code of its own in WCTABLE")
    for unit, code in LOOK_ALIKES.items():
        if unit in exact or (unit in wide) == (unit in OUR_CHOICE):
            Fail(f"U+{unit:04X}: the table changed for this look-alike")
        exact[unit] = code
    return decode, exact, best_fit


def Rows(values, per_line, width):
    items = [f"0x{v:0{width}X}" for v in values]
    return "\n".join("    " + ", ".join(items[i : i + per_line]) + "," for i in range(0, len(items), per_line))


def Emit(decode, exact, best_fit, source):
    out = []
    out.append(f"// Generated by scripts/make-cp932-tables.py from {source}: do not edit.")
    out.append("// Included by cp932.cpp inside its namespace. 0xFFFF is kNoUnit and kNoChar.")
    out.append("")

    out.append("// Single bytes to units; the lead bytes give kNoUnit.")
    out.append("constexpr char16_t kSingleByteUnits[256] = {")
    out.append(Rows([NO_VALUE if IsLead(b) else decode.get(b, NO_VALUE) for b in range(256)], 12, 4))
    out.append("};")
    out.append("")

    leads = [b for b in range(256) if IsLead(b) and any((b << 8 | t) in decode for t in TRAILS)]
    out.append(f"// The row of each lead byte in kDoubleByteUnits, 0xFF for none ({len(leads)} rows).")
    out.append("constexpr std::uint8_t kRowOfLead[256] = {")
    out.append(Rows([leads.index(b) if b in leads else 0xFF for b in range(256)], 16, 2))
    out.append("};")
    out.append("")
    out.append(f"constexpr int kTrailsPerRow = {len(TRAILS)};  // trail bytes 0x40-0xFC")
    out.append(f"constexpr char16_t kDoubleByteUnits[{len(leads)} * kTrailsPerRow] = {{")
    out.append(Rows([decode.get(b << 8 | t, NO_VALUE) for b in leads for t in TRAILS], 12, 4))
    out.append("};")
    out.append("")

    blocks, index = [[NO_VALUE] * ENCODE_BLOCK], []
    for start in range(0, 0x10000, ENCODE_BLOCK):
        block = [exact.get(u, NO_VALUE) for u in range(start, start + ENCODE_BLOCK)]
        if block not in blocks:
            blocks.append(block)
        index.append(blocks.index(block))
    if len(blocks) > 256:
        Fail("too many encode blocks for one byte of index")
    out.append(f"// Units to codes in two levels: unit / {ENCODE_BLOCK} picks a block (0 is empty).")
    out.append(f"constexpr int kUnitsPerBlock = {ENCODE_BLOCK};")
    out.append(f"constexpr std::uint8_t kBlockOfUnit[{len(index)}] = {{")
    out.append(Rows(index, 16, 2))
    out.append("};")
    out.append(f"constexpr std::uint16_t kCodeBlocks[{len(blocks)} * kUnitsPerBlock] = {{")
    out.append(Rows([v for block in blocks for v in block], 12, 4))
    out.append("};")
    out.append("")

    out.append("// Windows' best fit for units without a code of their own, sorted by unit.")
    out.append(f"constexpr BestFit kBestFits[{len(best_fit)}] = {{")
    pairs = [f"{{0x{u:04X}, 0x{c:X}}}" for u, c in sorted(best_fit.items())]
    out.extend("    " + ", ".join(pairs[i : i + 5]) + "," for i in range(0, len(pairs), 5))
    out.append("};")
    return "\n".join(out) + "\n"


def IsLead(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    tables = Build(*Parse(sys.argv[1]))
    sys.stdout.write(Emit(*tables, "Microsoft's bestfit932.txt"))


if __name__ == "__main__":
    main()

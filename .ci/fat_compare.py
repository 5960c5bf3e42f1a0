#!/usr/bin/env python3
"""Compares a folder tree with its pristine copy, byte for byte.

    fat_compare.py [--allow START-END]... [--new REGEX] [--changed] PRISTINE ACTUAL

Without --allow the trees must be identical: the same files (names compared exactly) with the
same bytes. Each --allow START-END (byte offsets, both included) lets a file's bytes in that range
differ; every byte outside must still match and the size must not change. --new REGEX lets files
that are only in ACTUAL exist when their path (relative, with '/') matches REGEX in full; they are
listed as "new: PATH SIZE". --changed prints how many files differ inside the allowed ranges.

Exit status 0 when the trees agree, 1 with the first difference of each kind on stderr.
"""
import argparse
import os
import re
import sys


def files_of(root):
    found = {}
    for folder, dirs, names in os.walk(root):
        dirs.sort()
        for name in names:
            path = os.path.join(folder, name)
            found[os.path.relpath(path, root).replace(os.sep, "/")] = path
        for name in dirs:
            path = os.path.join(folder, name)
            if not os.listdir(path):  # an empty folder counts as an entry of its own
                found[os.path.relpath(path, root).replace(os.sep, "/") + "/"] = path
    return found


def parse_range(text):
    match = re.fullmatch(r"(\d+)-(\d+)", text)
    if not match or int(match.group(1)) > int(match.group(2)):
        raise argparse.ArgumentTypeError(f"not a range START-END: {text}")
    return int(match.group(1)), int(match.group(2))


def first_difference(old, new, allowed):
    """The first offset outside the allowed ranges where the bytes differ, and whether any byte
    inside them differs."""
    inside = False
    length = min(len(old), len(new))
    start = 0
    for low, high in sorted(allowed) + [(length, length)]:
        low, high = min(low, length), min(high + 1, length)
        if old[start:low] != new[start:low]:
            for i in range(start, low):
                if old[i] != new[i]:
                    return i, inside
        if old[low:high] != new[low:high]:
            inside = True
        start = max(start, high)
    return None, inside


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--allow", action="append", type=parse_range, default=[])
    parser.add_argument("--new", type=re.compile)
    parser.add_argument("--changed", action="store_true")
    parser.add_argument("pristine")
    parser.add_argument("actual")
    args = parser.parse_args()

    old_files, new_files = files_of(args.pristine), files_of(args.actual)
    problems = {}  # kind -> (count, first message)

    def problem(kind, message):
        count, first = problems.get(kind, (0, message))
        problems[kind] = (count + 1, first)

    changed = 0
    for name in sorted(old_files):
        if name not in new_files:
            problem("missing", f"{name}: missing")
            continue
        if name.endswith("/"):
            continue
        with open(old_files[name], "rb") as f:
            old = f.read()
        with open(new_files[name], "rb") as f:
            new = f.read()
        if len(old) != len(new):
            problem("size", f"{name}: {len(new)} bytes instead of {len(old)}")
            continue
        offset, inside = first_difference(old, new, args.allow)
        if offset is not None:
            where = "outside the allowed bytes" if args.allow else "in a file to be identical"
            problem(
                "bytes",
                f"{name}: byte {offset} is 0x{new[offset]:02x}, was 0x{old[offset]:02x} ({where})",
            )
        if inside:
            changed += 1
    for name in sorted(set(new_files) - set(old_files)):
        size = os.path.getsize(new_files[name]) if not name.endswith("/") else 0
        if args.new and args.new.fullmatch(name):
            print(f"new: {name} {size}")
        else:
            problem("extra", f"{name}: not in the pristine tree ({size} bytes)")

    if args.changed:
        print(f"changed: {changed} of {len([n for n in old_files if not n.endswith('/')])} files")
    for kind, (count, first) in problems.items():
        more = f" (and {count - 1} more files)" if count > 1 else ""
        print(f"fat_compare: {first}{more}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks a backup copy against its source, item by item, after a power cut.

An item is a file, or a package (a folder whose name ends in ".app") as a whole. Each item of
the source must be, under its final name in the copy, missing, the old copy (the same as in
the tree the disk held before, --old) or the whole new copy (the same as in --new). Anything
else is a wrong copy; a zero-length copy of a longer file whose time is the source's is
counted apart, as the known fault. With --exact every item must be the new copy with the
source's modification time. Prints one "check:" line and exits with 1 when a copy is wrong.
"""

import argparse
import os
import sys


def items(root):
    """The relative paths of the items below root: its files and its packages."""
    found = set()
    if not root or not os.path.isdir(root):
        return found
    for folder, folders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        for name in list(folders):
            if name.endswith(".app"):
                found.add(os.path.normpath(os.path.join(relative, name)))
                folders.remove(name)
        for name in files:
            found.add(os.path.normpath(os.path.join(relative, name)))
    return found


def tree(path):
    """A file's or a package's contents: relative path -> (bytes, whole seconds of its time)."""
    if not os.path.isdir(path):
        with open(path, "rb") as data:
            return {".": (data.read(), int(os.lstat(path).st_mtime))}
    contents = {}
    for folder, _, files in os.walk(path):
        for name in files:
            file = os.path.join(folder, name)
            with open(file, "rb") as data:
                contents[os.path.relpath(file, path)] = (data.read(), int(os.lstat(file).st_mtime))
    return contents


def same(copy, original, times):
    if original is None or copy.keys() != original.keys():
        return False
    return all(copy[k][0] == original[k][0] and (not times or copy[k][1] == original[k][1])
               for k in copy)


def zero_length_fault(copy, original):
    """Some file of the copy is empty where the source's is not, with the source's time."""
    return original is not None and any(
        k in original and not copy[k][0] and original[k][0] and copy[k][1] == original[k][1]
        for k in copy)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--label", default="check")
    parser.add_argument("--copy", required=True)
    parser.add_argument("--new", required=True)
    parser.add_argument("--old")
    parser.add_argument("--exact", action="store_true")
    arguments = parser.parse_args()

    counts = dict(items=0, new=0, old=0, missing=0, wrong=0, zero=0)
    wrong = []
    for item in sorted(items(arguments.new) | items(arguments.old)):
        counts["items"] += 1
        copy_path = os.path.join(arguments.copy, item)
        new_path = os.path.join(arguments.new, item)
        old_path = os.path.join(arguments.old, item) if arguments.old else None
        new = tree(new_path) if os.path.lexists(new_path) else None
        old = tree(old_path) if old_path and os.path.lexists(old_path) else None
        if not os.path.lexists(copy_path):
            if arguments.exact and new is not None:
                counts["wrong"] += 1
                wrong.append(item + " (missing)")
            else:
                counts["missing"] += 1
            continue
        copy = tree(copy_path)
        if same(copy, new, arguments.exact):
            counts["new"] += 1
        elif not arguments.exact and same(copy, old, False):
            counts["old"] += 1
        else:
            counts["wrong"] += 1
            if zero_length_fault(copy, new) or zero_length_fault(copy, old):
                counts["zero"] += 1
                wrong.append(item + " (zero length, the source's date)")
            else:
                wrong.append(item)
    print("check: %s: %d items: %d new, %d old, %d missing, %d WRONG (%d zero-length with the "
          "source's date)" % (arguments.label, counts["items"], counts["new"], counts["old"],
                              counts["missing"], counts["wrong"], counts["zero"]))
    for item in wrong[:10]:
        print("check: %s: wrong: %s" % (arguments.label, item))
    sys.stdout.flush()
    return 1 if counts["wrong"] else 0


if __name__ == "__main__":
    sys.exit(main())

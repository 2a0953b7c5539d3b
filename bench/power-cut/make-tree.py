#!/usr/bin/env python3
"""Writes the power-cut machine's source tree: small files in folders of 100, a few large
files in "big" and packages ("AppN.app" folders of small files). The contents follow from the
seed; --packages-only rewrites only the packages (an update that replaces them, the same names
with other contents and lengths); --age-days dates every item that many days back."""

import argparse
import os
import random
import shutil
import time


def write(path, length, rng):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(rng.randbytes(length))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--small", type=int, default=4000)
    parser.add_argument("--large", type=int, default=5)
    parser.add_argument("--large-mb", type=int, default=100)
    parser.add_argument("--packages", type=int, default=10)
    parser.add_argument("--package-files", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--packages-only", action="store_true")
    parser.add_argument("--age-days", type=float, default=0)
    arguments = parser.parse_args()
    rng = random.Random(arguments.seed)

    if not arguments.packages_only:
        for index in range(arguments.small):
            write(os.path.join(arguments.root, "d%03d" % (index // 100), "f%d.dat" % index),
                  rng.randint(1024, 16384), rng)
        for index in range(arguments.large):
            path = os.path.join(arguments.root, "big", "large%d.bin" % index)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            block = rng.randbytes(1 << 20)
            with open(path, "wb") as out:
                for _ in range(arguments.large_mb):
                    out.write(block)
                    block = block[1:] + block[:1]
    for index in range(arguments.packages):
        package = os.path.join(arguments.root, "packages", "App%d.app" % index)
        shutil.rmtree(package, ignore_errors=True)
        for file in range(arguments.package_files):
            write(os.path.join(package, "Contents", "Resources", "r%d.bin" % file),
                  rng.randint(1024, 65536), rng)

    if arguments.age_days:
        then = time.time() - arguments.age_days * 86400
        for folder, folders, files in os.walk(arguments.root, topdown=False):
            for name in files + folders:
                os.utime(os.path.join(folder, name), (then, then), follow_symlinks=False)
        os.utime(arguments.root, (then, then))


if __name__ == "__main__":
    main()

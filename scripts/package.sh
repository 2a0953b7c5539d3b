#!/usr/bin/env bash
# Builds the Debian package the way a Debian package build does, with Debian's build flags
# (dpkg-buildflags, every hardening feature on), in build-deb/, and checks it with lintian.
# Usage: scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
scripts/setup.sh
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DTOLVANE_DEBIAN_BUILDFLAGS=ON
cmake --build "$dir" --parallel "$(nproc)" --target package
lintian --fail-on error,warning "$dir"/tolvane_*.deb
ls "$dir"/tolvane_*.deb

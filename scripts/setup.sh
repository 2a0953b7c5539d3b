#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build, run and test, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libboost-context-dev libgtest-dev
    xvfb xauth dbus fonts-dejavu-core fonts-cantarell fonts-noto-core rsync
    desktop-file-utils appstream dpkg-dev file lintian
    exfat-fuse exfatprogs ntfs-3g fuse3 libfuse3-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

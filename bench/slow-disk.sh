#!/usr/bin/env bash
# Runs a command with a slow disk mounted, and removes the disk afterwards.
#
#   bench/slow-disk.sh [--block SIZE] [--where FOLDER] [throttlefs options] -- COMMAND...
#
# The disk is the throttling file system (build/bin/throttlefs; options such as --rate=26,
# --spinup=3, --idle=2 pass to it) over a backing folder made below FOLDER (default: /tmp).
# Without --block it is a slow share: COMMAND's "{}" becomes its mount point. With --block
# SIZE (e.g. 5G) a disk image of SIZE on it is served by a loop device and holds an ext4 file
# system: "{}" becomes that file system's mount point, and the kernel's page cache and dirty-
# page throttling act as on a slow USB disk. The throttling process's id is in SLOW_DISK_PID
# (kill -USR1 puts the disk to sleep). Needs root.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
throttlefs=${THROTTLEFS:-$here/../build/bin/throttlefs}
block=""
where=/tmp
options=()
while (($#)); do
    case $1 in
    --block) block=$2; shift 2 ;;
    --where) where=$2; shift 2 ;;
    --) shift; break ;;
    *) options+=("$1"); shift ;;
    esac
done
if ((!$#)); then
    sed -n '2,13p' "$0" >&2
    exit 2
fi
[ -x "$throttlefs" ] || { echo "no $throttlefs: build the target throttlefs" >&2; exit 2; }

state=$(mktemp -d "$where/slow-disk.XXXXXX")
mkdir "$state/backing" "$state/share"
pid=""
loop=""
cleanup() {
    set +e
    if mountpoint -q "$state/disk"; then umount "$state/disk"; fi
    if [ -n "$loop" ]; then losetup -d "$loop"; fi
    # A loop device lets go of its image a moment after it is detached.
    for _ in $(seq 50); do
        mountpoint -q "$state/share" || break
        fusermount3 -u "$state/share" 2>/dev/null || sleep 0.2
    done
    if [ -n "$pid" ]; then wait "$pid"; fi
    rm -rf "$state"
}
trap cleanup EXIT

if [ -n "$block" ]; then
    # Formatted before the throttle sees it, its tables and journal written out in full, so
    # that no background initialisation competes with the measurement.
    truncate -s "$block" "$state/backing/disk.img"
    mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$state/backing/disk.img"
fi
"$throttlefs" "$state/backing" "$state/share" -f -o max_threads=16 "${options[@]}" &
pid=$!
for _ in $(seq 100); do
    mountpoint -q "$state/share" && break
    kill -0 "$pid" || { pid=""; echo "throttlefs did not start" >&2; exit 2; }
    sleep 0.1
done
folder=$state/share
if [ -n "$block" ]; then
    loop=$(losetup -f --show "$state/share/disk.img")
    mkdir "$state/disk"
    mount "$loop" "$state/disk"
    folder=$state/disk
fi
echo "slow disk: $folder (throttlefs ${options[*]}${block:+, ext4 on $loop})" >&2

command=()
for word in "$@"; do command+=("${word//\{\}/$folder}"); done
status=0
SLOW_DISK_PID=$pid "${command[@]}" || status=$?
exit "$status"

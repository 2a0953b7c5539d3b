#!/bin/bash
# One boot of the power-cut machine, inside the host's read-only root: mounts the destination
# disk (/dev/vda, ext4, default options), does the job that the job file (named on the kernel's
# command line) describes, reports on the console and powers off. The host reads the reports:
# "status: ..." lines while a backup runs, "check: ..." lines from the checker, "job done" at
# the end.
set -euo pipefail
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs run /run
exec </dev/console >/dev/console 2>&1
trap 'echo "job failed"; echo o >/proc/sysrq-trigger' ERR
for word in $(</proc/cmdline); do
    case $word in job=*) job=${word#job=} ;; esac
done
# The job file sets: here (the folder of these scripts), tool (tolvane or rsync), source (the
# tree to back up; empty: none), old (the tree the disk held before; may be empty), checks
# (before, after: which checks to run around the backup) and bench (the benchmark program).
source "$job"
modprobe virtio_blk
modprobe ext4
mkdir -p /run/dest /run/home /run/user /run/tmp
chmod 700 /run/user
mount /dev/vda /run/dest
mkdir -p /run/dest/backup
copy=/run/dest/backup/$(basename "$source")
check() {
    python3 "$here/check-copies.py" --label "$1" --copy "$copy" --new "$source" \
        ${old:+--old "$old"} ${2:-} || true
}
case " $checks " in *" before "*) check before ;; esac
if [ "$tool" = tolvane ]; then
    HOME=/run/home XDG_RUNTIME_DIR=/run/user TMPDIR=/run/tmp QT_QPA_PLATFORM=offscreen \
        "$bench" --backup "$source" /run/dest/backup || echo "backup did not complete"
else
    echo "status: Backing Up"
    rsync -a "$source" /run/dest/backup/ || echo "backup did not complete"
    echo "status: Saving to disk"
    sync -f /run/dest
    echo "status: Complete"
fi
case " $checks " in *" after "*) check after --exact ;; esac
umount /run/dest
echo "job done"
echo o >/proc/sysrq-trigger

#!/bin/bash
# The first program of the power-cut machine: loads what reading the host's root over 9p
# needs, mounts that root read-only and runs the job script named on the kernel's command line
# inside it.
set -euo pipefail
export PATH=/bin
mount -t proc proc /proc
for module in /modules/*.ko; do insmod "$module"; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 root /host
script=""
for word in $(</proc/cmdline); do
    case $word in script=*) script=${word#script=} ;; esac
done
umount /proc
exec chroot /host /bin/bash "$script"

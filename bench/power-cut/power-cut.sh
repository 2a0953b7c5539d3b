#!/usr/bin/env bash
# Cuts the power of a virtual machine while it backs up, and checks what the disk kept.
#
#   bench/power-cut/power-cut.sh
#
# A qemu machine boots the Debian
# kernel from /boot with the host's root shared read-only over 9p, and backs up a source tree
# (made on the host, read over the share) into an ext4 disk image attached as a virtio disk
# (default mount options, writes limited to DISK_MBPS). For each tool and each cut, the host
# kills qemu at the chosen moment, boots again, checks every copy against its source (each
# item under its final name must be missing, its old copy or its whole new copy), runs the
# tool again and checks every copy equals its source. It prints a summary of the wrong copies
# per cut. Needs root. Settings (environment):
#   TOOLS     tools to run, "tolvane rsync"
#   CUTS      cuts, "copy:5 copy:10 copy:15 save:0.3 update:2": copy:S is S seconds
#             after a first backup began copying, save:S S seconds after it began "Saving to
#             disk", update:S S seconds after an update (every package replaced, on a disk
#             that holds a whole backup of the old tree) began copying
#   SMALL LARGE LARGE_MB PACKAGES PACKAGE_FILES   the tree, 4000 5 20 10 40
#   DISK_MBPS 26    MEM 2048 (MB)    KERNEL the newest /boot/vmlinuz-*
#   ACCEL     tcg (software emulation); kvm where KVM works (on some nested machines a KVM
#             guest never starts)
#   BENCH     the benchmark program, build/bin/tolvane_bench    WORK /var/tmp    KEEP=1 keeps
#             the work folder (disk images and consoles)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bench=${BENCH:-$here/../../build/bin/tolvane_bench}
kernel=${KERNEL:-$(ls /boot/vmlinuz-* | sort -V | tail -1)}
version=${kernel#/boot/vmlinuz-}
tools=${TOOLS:-tolvane rsync}
cuts=${CUTS:-copy:5 copy:10 copy:15 save:0.3 update:2}
disk_mbps=${DISK_MBPS:-26}
memory=${MEM:-2048}
accel=${ACCEL:-tcg}
[ -x "$bench" ] || { echo "no $bench: build the target tolvane_bench" >&2; exit 2; }
[ -d "/lib/modules/$version" ] || { echo "no modules for $kernel" >&2; exit 2; }

work=$(mktemp -d "${WORK:-/var/tmp}/tolvane-power-cut.XXXXXX")
qemu=""
cleanup() {
    set +e
    if [ -n "$qemu" ]; then kill -KILL "$qemu" 2>/dev/null; wait "$qemu" 2>/dev/null; fi
    if [ "${KEEP:-0}" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The initramfs: bash, mount, insmod and chroot with their libraries, the modules that reading
# the host's root over 9p needs, and the script that mounts it.
make_initramfs() {
    local root=$work/initramfs binary library module
    mkdir -p "$root"/{bin,dev,proc,host,modules}
    mknod "$root/dev/console" c 5 1
    for binary in bash mount umount insmod chroot; do
        cp "$(command -v "$binary")" "$root/bin/"
        for library in $(ldd "$(command -v "$binary")" | grep -o '/[^ ]*'); do
            mkdir -p "$root$(dirname "$library")"
            cp -L "$library" "$root$library"
        done
    done
    local index=0
    for module in $(for name in virtio_pci 9pnet_virtio 9p; do
        modprobe --show-depends -S "$version" "$name"
    done | awk '$1 == "insmod" && !seen[$2]++ { print $2 }'); do
        cp "$module" "$root/modules/$(printf %02d $index)-$(basename "$module")"
        index=$((index + 1))
    done
    cp "$here/initramfs-init.sh" "$root/init"
    (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"
}

# boot JOB DISK LOG [MARK DELAY]: boots the machine with the job file and the disk, its
# console in LOG, until it powers off; with MARK, kills it DELAY seconds after the console
# shows "status: MARK". Prints the last status the console showed before the cut.
boot() {
    local job=$1 disk=$2 log=$3 mark=${4:-} delay=${5:-}
    : >"$log"
    qemu-system-x86_64 -accel "$accel" -m "$memory" -smp 2 -display none -vga none -nic none \
        -no-reboot -serial "file:$log" -monitor none \
        -kernel "$kernel" -initrd "$work/initrd.gz" \
        -append "console=ttyS0 panic=-1 quiet script=$here/guest-job.sh job=$job" \
        -virtfs local,path=/,mount_tag=root,security_model=none,readonly=on,multidevs=remap \
        -drive "file=$disk,format=raw,if=virtio,throttling.bps-write=$((disk_mbps * 1000000))" \
        </dev/null &
    qemu=$!
    if [ -n "$mark" ]; then
        while ! grep -q "status: $mark" "$log"; do
            kill -0 "$qemu" 2>/dev/null || break
            sleep 0.02
        done
        sleep "$delay"
        local phase
        phase=$(grep 'status: ' "$log" | tail -1 | sed 's/.*status: //; s/ at [0-9.]* s.*//' || true)
        grep -q "job done" "$log" && phase="finished before the cut"
        kill -KILL "$qemu" 2>/dev/null || true
        echo "${phase:-not started}"
    fi
    wait "$qemu" || true
    qemu=""
}

# job FILE TOOL SOURCE OLD CHECKS: writes a job file for guest-job.sh.
job() {
    cat >"$1" <<EOF
here=$here
bench=$bench
tool=$2
source=$3
old=$4
checks="$5"
EOF
}

# The figures of a "check: LABEL:" line of a console, or "-".
figures() {
    grep -o "check: $2: .*" "$1" | head -1 | sed "s/check: $2: //" || echo "-"
}

echo "Power-cut machine: $kernel, accel $accel, disk writes ${disk_mbps} MB/s, work $work"
make_initramfs
python3 "$here/make-tree.py" "$work/a/source" --small "${SMALL:-4000}" --large "${LARGE:-5}" \
    --large-mb "${LARGE_MB:-20}" --packages "${PACKAGES:-10}" \
    --package-files "${PACKAGE_FILES:-40}" --age-days 2
cp -a "$work/a" "$work/b"
python3 "$here/make-tree.py" "$work/b/source" --packages-only --seed 2 \
    --packages "${PACKAGES:-10}" --package-files "${PACKAGE_FILES:-40}"
truncate -s 4G "$work/empty.img"
mkfs.ext4 -q -F "$work/empty.img"

summary=()
for tool in $tools; do
    base=""
    for cut in $cuts; do
        kind=${cut%%:*} delay=${cut#*:}
        name=$tool-${cut/:/-}
        disk=$work/$name.img
        case $kind in
        copy | save) mark="Backing Up" source=$work/a/source old="" ;;
        update) mark="Backing Up" source=$work/b/source old=$work/a/source ;;
        *) echo "unknown cut $cut" >&2; exit 2 ;;
        esac
        [ "$kind" = save ] && mark="Saving to disk"
        if [ "$kind" = update ]; then
            if [ -z "$base" ]; then
                base=$work/$tool-base.img
                cp --sparse=always "$work/empty.img" "$base"
                job "$work/$tool-base.job" "$tool" "$work/a/source" "" "after"
                boot "$work/$tool-base.job" "$base" "$work/$tool-base.log"
                echo "$tool, whole backup of the old tree: $(figures "$work/$tool-base.log" after)"
            fi
            cp --sparse=always "$base" "$disk"
        else
            cp --sparse=always "$work/empty.img" "$disk"
        fi
        job "$work/$name-cut.job" "$tool" "$source" "$old" ""
        phase=$(boot "$work/$name-cut.job" "$disk" "$work/$name-cut.log" "$mark" "$delay")
        job "$work/$name-again.job" "$tool" "$source" "$old" "before after"
        boot "$work/$name-again.job" "$disk" "$work/$name-again.log"
        line=$(printf '%-8s %-11s cut in: %-24s after the cut: %s | after a new run: %s' \
            "$tool" "$cut" "$phase" "$(figures "$work/$name-again.log" before)" \
            "$(figures "$work/$name-again.log" after)")
        echo "$line"
        grep "check: before: wrong:" "$work/$name-again.log" | head -3 || true
        summary+=("$line")
        rm -f "$disk"
    done
done

echo
echo "Summary (items: files, and packages as a whole; WRONG: neither missing, the old copy nor"
echo "the whole new copy; after a new run: WRONG counts copies that differ from their source):"
printf '%s\n' "${summary[@]}"

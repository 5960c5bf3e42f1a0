# shellcheck shell=bash disable=SC2154  # the caller sets fat_name, work, image and mnt
# Sourced by .ci/fat-check.sh and bench/fat_batch_ratio.sh: a FAT32 image mounted in user space
# by fusefat over a loop device, as a plugged-in player is mounted (the kernel here has no vfat
# driver). The caller sets fat_name (its name in messages), work (its temporary folder), image
# (the image file) and mnt (the mount point), and defines fail MESSAGE, which exits.

# Installs fusefat, dosfstools and mtools when missing, with apt-get as root or through sudo.
fat_tools() {
    local sudo=() missing=() package
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    for package in fusefat dosfstools mtools; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "$fat_name: installing ${missing[*]}"
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
            --no-install-recommends "${missing[@]}" >/dev/null
    fi
    export PATH=$PATH:/usr/sbin:/sbin  # mkfs.vfat and fsck.vfat
}

loop=""
fuse_pid=""

mounted() { grep -q " $mnt " /proc/self/mountinfo; }

# Waits up to $2 seconds for the child $1 to end and kills it when it does not; returns its exit
# status.
wait_child() {
    local pid=$1 limit=$2 state="" i status=0
    for ((i = 0; i < limit * 20; i++)); do
        state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null || true)
        [ -z "$state" ] || [ "$state" = Z ] && break
        sleep 0.05
    done
    [ -z "$state" ] || [ "$state" = Z ] || kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || status=$?
    return "$status"
}

# mount_image skip|strict: sets up a loop device for the image and mounts it read-write at $mnt,
# fusefat running as a child of the caller. When no loop device can be set up, "skip" ends the
# caller with exit status 0 and a message saying so, "strict" fails.
mount_image() {
    if ! loop=$(losetup -f --show "$image" 2>"$work/losetup.err"); then
        loop=""
        if [ "$1" = skip ]; then
            echo "$fat_name: skipped: no loop device can be set up here" \
                "($(head -n 1 "$work/losetup.err"))"
            exit 0
        fi
        fail "losetup: $(cat "$work/losetup.err")"
    fi
    fusefat -f -o rw+,blkdev,fsname="$loop",use_ino,readdir_ino "$loop" "$mnt" \
        >>"$work/fusefat.log" 2>&1 &
    fuse_pid=$!
    local i
    for ((i = 0; i < 200; i++)); do
        mounted && return 0
        kill -0 "$fuse_pid" 2>/dev/null || break
        sleep 0.05
    done
    fail "fusefat did not mount $loop: $(tail -n 3 "$work/fusefat.log")"
}

# Unmounts, waits for fusefat to end (it writes its last changes then) and detaches the loop
# device; does what it can of that, so that it serves in a trap as well.
unmount_image() {
    if mounted; then umount "$mnt" || umount -l "$mnt" || true; fi
    if [ -n "$fuse_pid" ]; then
        wait_child "$fuse_pid" 20 || true
        fuse_pid=""
    fi
    if [ -n "$loop" ]; then
        losetup -d "$loop" || true
        local i
        for ((i = 0; i < 100; i++)); do
            [ -z "$(losetup -j "$image" 2>/dev/null)" ] && break
            sleep 0.05
        done
        loop=""
    fi
}

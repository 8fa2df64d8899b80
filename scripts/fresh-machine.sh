#!/usr/bin/env bash
# Proves the install lists: a fresh Debian 12 (debootstrap minbase) gets nothing
# but what package.sh installs through scripts/common.sh, then builds the
# program and its package there. A header, tool or library that this machine
# merely happens to have fails here. Needs root and Debian's archive.
set -euo pipefail
source "$(dirname "$0")/common.sh"
velmora_install debootstrap

work=${VELMORA_FRESH:-$VELMORA_ROOT/build-fresh}
root=$work/root
mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
mirror=${mirror:-http://deb.debian.org/debian}

cleanup() {
    for m in dev/pts dev proc sys; do
        mountpoint -q "$root/$m" && umount -l "$root/$m"
    done
    rm -rf "$root"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"

debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
    || { tail -n 20 "$work/debootstrap.log"; exit 1; }
# The same archives as this machine (updates and security), nothing else.
[ -f /etc/apt/sources.list.d/debian.sources ] && cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

mkdir -p "$root/src/velmora"
# What a clone holds: the tracked files as they are in the work tree.
(cd "$VELMORA_ROOT" && git ls-files -z --cached --others --exclude-standard | xargs -0 tar -cf - --no-recursion) \
    | tar -xf - -C "$root/src/velmora"

chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    bash -c 'cd /src/velmora && VELMORA_BUILD=/src/build-package bash ./package.sh && \
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q /src/build-package/velmora_*.deb >/dev/null && \
        velmora-initdb --help >/dev/null' >"$work/build.log" 2>&1 \
    || { tail -n 40 "$work/build.log"; exit 1; }
echo "fresh Debian 12: package.sh built and installed the package"

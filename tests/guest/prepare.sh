#!/usr/bin/env bash
# Prepares, once per build tree, what the guest tests boot: Debian's own kernel (the package
# that linux-image-amd64 depends on, downloaded and unpacked, never installed) and a small
# busybox initramfs that loads the virtio, 9p and overlay modules and hands over to guest-init.
#
# Usage: prepare.sh CACHE_DIR
# Leaves CACHE_DIR/ready (kernel version, vmlinuz, initramfs, module tree) on success.
# Exit 77 with the reason on stdout and in CACHE_DIR/unavailable when this machine cannot
# boot the guest (no qemu, no busybox, no kernel package reachable).
set -euo pipefail
cache=$1
here=$(cd "$(dirname "$0")" && pwd)
export PATH=$PATH:/usr/sbin:/sbin  # depmod and modprobe, also for users without them on PATH
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
rm -f "$cache/unavailable"

unavailable() {
    echo "guest unavailable: $*" | tee "$cache/unavailable"
    exit 77
}

# Done before, and the guest's init has not changed since: nothing to do.
[ "$cache/ready" -nt "$here/guest-init" ] && { cat "$cache/ready"; exit 0; }

for tool in qemu-system-x86_64 busybox depmod modprobe cpio dpkg-deb apt-get; do
    command -v "$tool" > /dev/null || unavailable "$tool is not installed (scripts/setup installs it)"
done
busybox=$(command -v busybox)
{ ldd "$busybox" 2>&1 || true; } | grep -q 'not a dynamic' ||
    unavailable "$busybox is not the static busybox (package busybox-static)"

# 1. The kernel package. A stale package list can name a version the mirror no longer has:
#    refresh it once (as root) and try again.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        awk '/Depends: linux-image-[0-9]/ {print $2; exit}'
}
refresh_lists() {
    [ "$(id -u)" -eq 0 ] && timeout -k 5 300 apt-get update -qq > /dev/null 2>&1 || true
}
package=$(kernel_package)
[ -n "$package" ] || { refresh_lists; package=$(kernel_package); }
[ -n "$package" ] || unavailable "apt knows no linux-image-amd64 (run apt-get update)"
mkdir -p "$cache/deb"
deb=$(ls "$cache/deb/${package}_"*.deb 2>/dev/null | head -n1 || true)
if [ -z "$deb" ]; then
    fetch() { (cd "$cache/deb" && timeout -k 5 300 apt-get download -q "$package") > "$cache/download.log" 2>&1; }
    if ! fetch; then
        refresh_lists
        fetch || unavailable "apt-get download $package failed: $(tail -n1 "$cache/download.log")"
    fi
    deb=$(ls "$cache/deb/${package}_"*.deb | head -n1)
fi

# 2. Unpacked beside the cache, with its module index.
rm -rf "$cache/kernel"
dpkg-deb -x "$deb" "$cache/kernel"
version=$(ls "$cache/kernel/lib/modules" | head -n1)
vmlinuz="$cache/kernel/boot/vmlinuz-$version"
[ -f "$vmlinuz" ] || unavailable "$deb holds no kernel image"
depmod -b "$cache/kernel" "$version"

# 3. The initramfs: busybox, the modules to reach the host's files (in load order), the init.
tree=$(mktemp -d "$cache/initramfs.XXXXXX")
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/bin" "$tree/modules"
cp "$busybox" "$tree/bin/busybox"
cp "$here/guest-init" "$tree/init"
chmod 755 "$tree/init" "$tree/bin/busybox"
for module in virtio_pci 9pnet_virtio 9p overlay; do
    modprobe -d "$cache/kernel" -S "$version" --show-depends "$module" | awk '$1 == "insmod" {print $2}'
done | awk '!seen[$0]++' | while read -r ko; do
    cp "$ko" "$tree/modules/"
    basename "$ko" >> "$tree/modules/order"
done
(cd "$tree" && find . | cpio -o -H newc --quiet | gzip -1) > "$cache/initramfs.gz"

cat > "$cache/ready" << EOF
version=$version
vmlinuz=$vmlinuz
initramfs=$cache/initramfs.gz
modules=$cache/kernel/lib/modules/$version
EOF
cat "$cache/ready"

#!/bin/sh
# Runs the guest HID test on Debian's own kernel in a QEMU guest and exits with its verdict.
#
# Usage: tests/kernel/run-kernel-hid-test.sh BUILD_DIR [GUEST_TEST_ARGUMENT...]
#   BUILD_DIR holds tests/kernel_hid_guest and tests/kernel_guest_init (built by the build).
#   Extra arguments go to the guest test, e.g. --gtest_filter=KernelHidLink*.
# Exit status: 0 the guest test passed, 1 it failed or the guest gave no verdict, 77 skipped
# (no qemu-system-x86_64 or another host tool is missing).
#
# The kernel package named by linux-image-amd64 is fetched once with `apt-get download` into
# $KESTREL_KERNEL_CACHE (default BUILD_DIR/kernel-cache); nothing is installed on the host.
# KESTREL_KERNEL_TIMEOUT (seconds, default 120) bounds the guest's run.
set -eu

[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [GUEST_TEST_ARGUMENT...]" >&2; exit 1; }
build=$(cd "$1" && pwd)
shift
guest="$build/tests/kernel_hid_guest"
init="$build/tests/kernel_guest_init"
cache="${KESTREL_KERNEL_CACHE:-$build/kernel-cache}"
work="$build/kernel-guest"
timeout_seconds="${KESTREL_KERNEL_TIMEOUT:-120}"
started=$(date +%s)

say() { echo "kernel_hid: $*"; }
skip() { say "skipped: $*"; exit 77; }
die() { say "$*" >&2; exit 1; }

for tool in qemu-system-x86_64 cpio gzip xz dpkg-deb apt-get apt-cache ldd strip timeout; do
    command -v "$tool" >/dev/null 2>&1 ||
        skip "$tool is missing (scripts/install-deps installs qemu-system-x86, cpio and xz-utils)"
done
[ -x "$guest" ] && [ -x "$init" ] ||
    die "build the targets kernel_hid_guest and kernel_guest_init in $build first"

# The kernel and its HID modules, from the package behind the metapackage linux-image-amd64.
kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1)
[ -n "$kernel_package" ] || die "apt knows no linux-image-amd64: run apt-get update"
kernel="$cache/$kernel_package"
# usbhid (and the USB core it needs) only for its quirks table, which covers uhid devices too.
modules="hid.ko hid-generic.ko uhid.ko usb-common.ko usbcore.ko usbhid.ko"
# HID_QUIRK_NO_OUTPUT_REPORTS_ON_INTR_EP for the test handset 0x1908:5003: its output reports go
# by SET_REPORT, which waits for the device's answer.
usbhid_parameters="quirks=0x1908:0x138b:0x40000"

have_modules() {
    for module in $modules; do
        [ -f "$kernel/$module" ] || return 1
    done
}
if [ ! -f "$kernel/complete" ] || ! have_modules; then
    say "fetching $kernel_package into $cache"
    rm -rf "$kernel" "$kernel.tmp"
    mkdir -p "$kernel.tmp/deb"
    # As root, apt would hand the download to its sandbox user, who may not reach the build tree.
    sandbox=""
    [ "$(id -u)" -ne 0 ] || sandbox="-o APT::Sandbox::User=root"
    (cd "$kernel.tmp" && apt-get download -qq $sandbox "$kernel_package") ||
        die "apt-get download $kernel_package failed"
    dpkg-deb -x "$kernel.tmp"/*.deb "$kernel.tmp/deb"
    vmlinuz=$(ls "$kernel.tmp"/deb/boot/vmlinuz-*)
    # Under TCG the uncompressed kernel boots seconds faster: it is the xz stream in the bzImage.
    offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$vmlinuz" | head -n 1 | cut -d: -f1)
    if [ -n "$offset" ] &&
        tail -c +"$((offset + 1))" "$vmlinuz" | xz -dc --single-stream >"$kernel.tmp/vmlinux" 2>/dev/null &&
        [ "$(head -c 4 "$kernel.tmp/vmlinux" | od -An -c | tr -d ' ')" = '177ELF' ]; then
        mv "$kernel.tmp/vmlinux" "$kernel.tmp/kernel"
    else
        cp "$vmlinuz" "$kernel.tmp/kernel"
    fi
    for module in $modules; do
        found=$(find "$kernel.tmp/deb/lib/modules" -name "$module" | head -n 1)
        [ -n "$found" ] || die "$kernel_package has no $module"
        cp "$found" "$kernel.tmp/"
    done
    rm -rf "$kernel.tmp/deb" "$kernel.tmp"/*.deb
    touch "$kernel.tmp/complete"
    mv "$kernel.tmp" "$kernel"
fi

# The initramfs: our init, the modules, the test program and every shared library it loads, each
# at the path the loader looks for it.
root="$work/root"
rm -rf "$root"
mkdir -p "$root/dev" "$root/proc" "$root/sys" "$root/modules" "$root/test"
cp "$init" "$root/init"
for module in $modules; do
    cp "$kernel/$module" "$root/modules/"
done
cp "$guest" "$root/test/"
for library in $(ldd "$guest" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'); do
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
done
find "$root" -type f ! -name '*.ko' -exec strip --strip-debug {} +
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) | gzip -1 >"$work/initramfs.gz"
rm -rf "$root"

module_args=""
for module in $modules; do
    case $module in
        usbhid.ko) module_args="$module_args /modules/$module,$usbhid_parameters" ;;
        *) module_args="$module_args /modules/$module" ;;
    esac
done
log="$work/console.log"
say "booting $kernel_package ($(du -k "$work/initramfs.gz" | cut -f1) KiB initramfs)"
# One processor: the fake handset's event thread then always takes an output report before the
# writer sends the next (uhid drops what overflows its queue). The sanitizers want the memory.
status=0
timeout --kill-after=5 "$timeout_seconds" qemu-system-x86_64 \
    -accel tcg -cpu max -machine pc -smp 1 -m 256 \
    -nographic -no-reboot -nic none \
    -kernel "$kernel/kernel" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 rdinit=/init panic=-1 loglevel=5 --$module_args /test/kernel_hid_guest --gtest_color=no $*" \
    </dev/null >"$log" 2>&1 || status=$?
# The firmware's terminal controls would only garble a log.
tr -d '\r' <"$log" | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1bc//g'
elapsed=$(($(date +%s) - started))

if grep -aq '^kestrel-kernel-test: PASS' "$log"; then
    say "passed in ${elapsed} s"
    exit 0
fi
case $status in
    124 | 137) die "the guest did not finish within ${timeout_seconds} s" ;;
esac
if grep -aq '^kestrel-kernel-test: FAIL' "$log"; then
    die "the guest test failed (${elapsed} s)"
fi
die "the guest gave no verdict (qemu exit status $status)"

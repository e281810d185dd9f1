#!/usr/bin/env bash
# Boots the prepared kernel in a QEMU guest (software emulation, no KVM needed), runs one job
# script there as root on an overlay of this machine's root, prints what it wrote and ends
# with its exit status. The guest is gone when this script ends, whatever happens.
#
# Usage: boot.sh CACHE BUILD SOURCE LIMIT JOB [ARGS...]
#   CACHE   the folder prepare.sh filled
#   BUILD   the build tree (the job finds the programs there: $GUEST_BUILD)
#   SOURCE  the source tree ($GUEST_SOURCE)
#   LIMIT   seconds the job may run inside the guest; the whole boot gets 60 s more
#   JOB     a bash script; ARGS must not contain blanks
# Exit 77 (skipped) when this machine cannot boot the guest, saying why.
set -euo pipefail
cache=$(realpath "$1") build=$2 source=$3 limit=$4 job=$5
shift 5

if [ ! -f "$cache/ready" ]; then
    reason=$(cat "$cache/unavailable" 2>/dev/null || echo "the guest was never prepared")
    echo "SKIP: $reason"
    exit 77
fi
. <(sed 's/^/guest_/' "$cache/ready")

results=$(mktemp -d "$cache/run.XXXXXX")
qemu=
cleanup() {
    [ -n "$qemu" ] && kill -KILL "$qemu" 2>/dev/null && wait "$qemu" 2>/dev/null
    [ -n "${GUEST_KEEP:-}" ] || rm -rf "$results"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

cat > "$results/guest.conf" << EOF
GUEST_JOB='$(realpath "$job")'
GUEST_ARGS='$*'
GUEST_LIMIT='$limit'
GUEST_BUILD='$(realpath "$build")'
GUEST_SOURCE='$(realpath "$source")'
GUEST_RESULTS='$results'
GUEST_KERNEL='$guest_version'
GUEST_MODULES='$guest_modules'
EOF

started=$SECONDS
timeout -k 5 $((limit + 60)) qemu-system-x86_64 \
    -machine pc -accel tcg -cpu max -smp 1 -m 1536 \
    -display none -no-reboot -nic none -monitor none -serial "file:$results/console.log" \
    -kernel "$guest_vmlinuz" -initrd "$guest_initramfs" \
    -append "console=ttyS0 quiet panic=-1 loglevel=4" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$results,mount_tag=results,security_model=none,multidevs=remap" \
    > "$results/qemu.log" 2>&1 &
qemu=$!
status=0
wait "$qemu" || status=$?
qemu=
echo "guest: booted, ran and powered off in $((SECONDS - started)) s"

[ -f "$results/output" ] && cat "$results/output"
if [ ! -f "$results/status" ]; then
    echo "FAIL: the guest ended without the job's status (qemu status $status)"
    [ -f "$results/init-failed" ] && echo "guest-init: $(cat "$results/init-failed")"
    echo "--- qemu"
    cat "$results/qemu.log"
    echo "--- guest console (last lines)"
    tail -n 40 "$results/console.log" 2>/dev/null || true
    exit 1
fi
exit "$(cat "$results/status")"

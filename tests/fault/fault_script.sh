#!/bin/sh
# The fault run: the save faults on the temporary folder, then again on a
# small tmpfs that can be filled (root only; skipped with a message else).
# usage: fault_script.sh <save_fault_test binary>
set -u
test_bin="$1"
"$test_bin" || exit 1
if [ "$(id -u)" != 0 ]; then
    echo "fault_script: not root, the full-disk run on a small tmpfs is skipped"
    exit 0
fi
mnt=$(mktemp -d "${TMPDIR:-/tmp}/tev-fault-tmpfs-XXXXXX") || exit 1
if ! mount -t tmpfs -o size=256k tmpfs "$mnt" 2>/dev/null; then
    echo "fault_script: cannot mount a tmpfs here, the full-disk run is skipped"
    rmdir "$mnt"
    exit 0
fi
TEV_FAULT_DIR="$mnt" "$test_bin"
status=$?
umount "$mnt"
rmdir "$mnt"
exit $status

#!/usr/bin/env bash
# Runs the end-to-end test of installing onto a full disk: mounts a file system of 256 KiB,
# runs that one test with the mount's path in VELK_E2E_FULL_DISK, and unmounts it again.
#   full_disk_test.sh E2E_TESTS_EXE
# Exits with 77 (reported as skipped) where mounting is not permitted, for instance without root.
# Wants WINEPREFIX, and a display (DISPLAY) as every end-to-end test.
set -u
exe=${1:?usage: full_disk_test.sh E2E_TESTS_EXE}
mountpoint=$(mktemp -d "${TMPDIR:-/tmp}/velk-full-disk.XXXXXX")
if ! mount -t tmpfs -o size=256k,mode=0777 velk-full-disk "$mountpoint" 2>/dev/null; then
    rmdir "$mountpoint"
    echo "full_disk_test: cannot mount a small file system here; skipped"
    exit 77
fi
cleanup() {
    umount "$mountpoint" 2>/dev/null || umount -l "$mountpoint"
    rmdir "$mountpoint"
}
trap cleanup EXIT
VELK_E2E_FULL_DISK=$mountpoint WINEDEBUG=-all wine "$exe" \
    --gtest_filter='InstallFaultsE2E.AFullDisk*' "${@:2}"

#!/usr/bin/env bash
# The big-folder benchmarks on the three kinds of file system a stick meets
# here: tmpfs, ext4 and exFAT (through FUSE, on a loop device: these
# machines have no exFAT driver in the kernel). Run by hand, as root for the
# exFAT volume; it is skipped with a message where FUSE, a loop device or the
# exFAT tools are missing (Debian: exfat-fuse exfatprogs).
#   bench/filesystems.sh [BUILD_DIR] [STORED] [HOST] [EXFAT_STORED] [EXFAT_HOST]
#   (defaults: build/rel, 10000 stored files and a host folder of 50000;
#   on exFAT, where every small file costs a 32 KiB cluster and a trip
#   through FUSE, 2000 for the transfers and 20000 for the host folder)
# For each: the store pane's and the host pane's listing, the many-files
# import and export against cp -r and 7z, and `rm -r` of a stored folder
# against `rm -rf` of the same stored files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/rel}
stored=${2:-10000}
host=${3:-50000}
exfatStored=${4:-2000}
exfatHost=${5:-20000}
cli="$build/src/nimbra-cli"
for program in "$cli" "$build/bench/bench_storepane" "$build/bench/bench_hostpane" "$build/bench/bench_store"; do
    [ -x "$program" ] || { echo "no $program: build Release with -DNIMBRA_BENCH=ON first" >&2; exit 1; }
done
export QT_QPA_PLATFORM=offscreen

mount_point=""
loop=""
image=""
cleanup() {
    if [ -n "$mount_point" ]; then
        umount "$mount_point" 2>/dev/null || true
        rmdir "$mount_point" 2>/dev/null || true
    fi
    [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null || true
    [ -n "$image" ] && rm -f "$image"
    return 0
}
trap cleanup EXIT

# Seconds a command takes, to the millisecond.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# `rm -r` of a stored folder of COUNT files against `rm -rf` of its numbered
# folder on the stick, each on a store just filled.
remove_bench() {
    local dir=$1 count=$2
    local work
    work=$(mktemp -d "$dir/nimbra-rm.XXXXXX")
    mkdir -p "$work/stick" "$work/host/Many"
    for ((i = 0; i < count; ++i)); do head -c 4096 /dev/urandom > "$work/host/Many/f$i.bin"; done
    printf 'Remove-bench1\n' > "$work/pw"
    printf 'Remove-bench1\nRemove-bench1\n' | "$cli" --root "$work/stick" init >/dev/null
    local g=(--root "$work/stick" --password-file "$work/pw" -q)
    "$cli" "${g[@]}" add "$work/host/Many" >/dev/null
    sync
    local ours
    ours=$(seconds "$cli" "${g[@]}" rm -r --yes Many)
    "$cli" "${g[@]}" add "$work/host/Many" >/dev/null
    sync
    local numbered
    numbered=$(find "$work/stick/Encrypted Data" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    local plain
    plain=$(seconds rm -rf "$numbered")
    echo "rm -r of $count stored files: ${ours} s; rm -rf of the same stored files: ${plain} s"
    rm -rf "$work"
}

run_on() {
    local name=$1 dir=$2 hostCount=$3 paneCount=$4 count=$5
    echo "=== $name ($dir)"
    "$build/bench/bench_storepane" "$dir" "$paneCount" 5 | tail -n 7
    "$build/bench/bench_hostpane" "$dir" "$hostCount" 5 | tail -n 4
    "$build/bench/bench_store" many "$dir" "$count" 3 | tail -n 11
    remove_bench "$dir" "$((count / 2))"
}

run_on tmpfs /dev/shm "$host" "$stored" "$stored"
run_on ext4 /var/tmp "$host" "$stored" "$stored"

if ! command -v mount.exfat-fuse >/dev/null || ! command -v mkfs.exfat >/dev/null; then
    echo "=== exFAT skipped: mount.exfat-fuse or mkfs.exfat missing (apt-get install exfat-fuse exfatprogs)"
    exit 0
fi
if [ "$(id -u)" -ne 0 ] || [ ! -e /dev/fuse ]; then
    echo "=== exFAT skipped: needs root and /dev/fuse for the loop device and the FUSE mount"
    exit 0
fi
# The volume's clusters (32 KiB at this size) hold one small file each: the
# stored folder of the pane's benchmark, and for the transfers the host
# folder, the stored copies, the archive and the copies out must fit.
image=$(mktemp /var/tmp/nimbra-exfat.XXXXXX.img)
truncate -s "$(((stored * 2 + exfatStored * 8 + exfatHost) * 32 / 1024 + 512))M" "$image"
mkfs.exfat "$image" >/dev/null
if ! loop=$(losetup -f --show "$image" 2>/dev/null); then
    loop=""
    echo "=== exFAT skipped: no loop device could be set up here"
    exit 0
fi
mount_point=$(mktemp -d /tmp/nimbra-exfat.XXXXXX)
if ! mount.exfat-fuse "$loop" "$mount_point" 2>/dev/null; then
    echo "=== exFAT skipped: the FUSE mount failed"
    exit 0
fi
run_on "exFAT through FUSE" "$mount_point" "$exfatHost" "$stored" "$exfatStored"

#!/usr/bin/env bash
# Peak resident memory of nimbra-cli while one large file goes into the store
# and comes out again (run by hand; the target is 64 MiB whatever the size).
#   bench/peak_memory.sh [BUILD_DIR] [DIR] [GiB]   (defaults: build/rel, /var/tmp, 4)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/rel}
dir=${2:-/var/tmp}
gib=${3:-4}
cli="$build/src/nimbra-cli"
[ -x "$cli" ] || { echo "no $cli: build Release first" >&2; exit 1; }
work=$(mktemp -d "$dir/nimbra-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/stick" "$work/out"
printf 'Memory-bench1\n' > "$work/pw"
printf 'Memory-bench1\nMemory-bench1\n' | "$cli" --root "$work/stick" init >/dev/null
# Not sparse: the reads must really come from the file.
head -c "$((gib * 1024))M" /dev/urandom > "$work/big.bin"
g=(--root "$work/stick" --password-file "$work/pw" -q)
peak() { /usr/bin/time -f '%M %e' "$@" 2>&1 >/dev/null | tail -n 1; }
read -r kin sin < <(peak "$cli" "${g[@]}" add "$work/big.bin")
read -r kout sout < <(peak "$cli" "${g[@]}" get --to "$work/out" big.bin)
cmp -s "$work/big.bin" "$work/out/big.bin" || { echo "error: the file came out different" >&2; exit 1; }
echo "one file of $gib GiB in $dir"
echo "into the store:   peak $((kin / 1024)) MiB resident, ${sin} s"
echo "out of the store: peak $((kout / 1024)) MiB resident, ${sout} s"
echo "target: at most 64 MiB"

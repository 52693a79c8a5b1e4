#!/usr/bin/env bash
# One quilve-scan run against the same scan in shards through
# scripts/cluster/parallel-scan on the local cores: wall and processor time
# of each, the merge alone, and whether the results are the same bytes.
#   bench/shard_speed.sh [BUILD_DIR] [SHARDS] [PARALLEL_JOBS] PATH...
set -euo pipefail
build=${1:-build}
shards=${2:-3}
jobs=${3:-$shards}
shift 3 || { echo "usage: $0 BUILD_DIR SHARDS PARALLEL_JOBS PATH..." >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
scan=$(cd "$build/src" && pwd)/quilve-scan
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo "$("$scan" --list "$@" 2>/dev/null | wc -l) recordings; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
TIMEFORMAT='%R s wall, %U s user, %S s sys'
echo -n "one machine, --jobs $(nproc): "
{ time "$scan" -q -o "$tmp/one.txt" "$@" 2>/dev/null; } 2>&1
echo -n "$shards shards, parallel -j $jobs, merge included: "
{ time "$root/scripts/cluster/parallel-scan" -j "$jobs" -n "$shards" --scan "$scan" --work "$tmp/work" -q \
    -o "$tmp/shards.txt" -- "$@" >/dev/null 2>&1; } 2>&1
files=()
for ((k = 0; k < shards; k++)); do files+=("$tmp/work/shard-$k-of-$shards.qo"); done
echo -n "the merge alone: "
{ time "$scan" -q -o "$tmp/merge.txt" --merge "${files[@]}" 2>/dev/null; } 2>&1
echo "outcome files: $(cat "${files[@]}" | wc -c) bytes"
cmp "$tmp/one.txt" "$tmp/shards.txt" && echo "results identical"

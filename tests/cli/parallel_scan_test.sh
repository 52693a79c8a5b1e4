#!/usr/bin/env bash
# scripts/cluster/parallel-scan on the local cores writes what one
# quilve-scan run writes; a second run keeps the complete shards.
#   parallel_scan_test.sh QUILVE_SCAN SOURCE_DIR
set -uo pipefail
scan=$1
root=$2
command -v parallel >/dev/null || { echo "SKIPPED: GNU parallel is not installed (Debian: parallel)"; exit 77; }
. "$root/tests/cli/cluster_test_lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
make_recordings "$tmp/rec"
mkdir -p "$tmp/one" "$tmp/three"

"$scan" -q "${scan_options[@]}" $(outputs_in "$tmp/one") "$tmp/rec" || { echo "one-machine run failed"; exit 1; }
timeout 120 "$root/scripts/cluster/parallel-scan" -j 2 -n 3 --work "$tmp/work" --scan "$scan" \
  "${scan_options[@]}" $(outputs_in "$tmp/three") -q -- "$tmp/rec" || { echo "parallel-scan failed"; exit 1; }
same_outputs "$tmp/one" "$tmp/three" || exit 1
ls "$tmp/work"/shard-{0,1,2}-of-3.qo >/dev/null || exit 1

# Again: the shards are complete, only the merge runs.
before=$(stat -c %Y.%s "$tmp/work"/shard-*.qo)
rm "$tmp/three/results.txt"
timeout 120 "$root/scripts/cluster/parallel-scan" -j 2 -n 3 --work "$tmp/work" --scan "$scan" \
  "${scan_options[@]}" $(outputs_in "$tmp/three") -q -- "$tmp/rec" || { echo "second parallel-scan failed"; exit 1; }
[[ "$(stat -c %Y.%s "$tmp/work"/shard-*.qo)" == "$before" ]] || { echo "complete shards were written again"; exit 1; }
same_outputs "$tmp/one" "$tmp/three" || exit 1
echo "parallel-scan: 3 shards on 2 jobs give the bytes of one run"

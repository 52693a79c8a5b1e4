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

"$scan" -q "${scan_options[@]}" $(outputs_in "$tmp/one") "$tmp/rec"
# One recording of the folder cannot be read: 3, the scan ran and said so.
(($? == 3)) || { echo "one-machine run did not end with 3"; exit 1; }
timeout 120 "$root/scripts/cluster/parallel-scan" -j 2 -n 3 --work "$tmp/work" --scan "$scan" \
  "${scan_options[@]}" $(outputs_in "$tmp/three") -q -- "$tmp/rec"
(($? == 3)) || { echo "parallel-scan did not end with the merge's 3"; exit 1; }
same_outputs "$tmp/one" "$tmp/three" || exit 1
ls "$tmp/work"/shard-{0,1,2}-of-3.qo >/dev/null || exit 1

# Again: the shards are complete, only the merge runs.
before=$(stat -c %i.%.9Y.%s "$tmp/work"/shard-*.qo)
rm "$tmp/three/results.txt"
timeout 120 "$root/scripts/cluster/parallel-scan" -j 2 -n 3 --work "$tmp/work" --scan "$scan" \
  "${scan_options[@]}" $(outputs_in "$tmp/three") -q -- "$tmp/rec"
(($? == 3)) || { echo "second parallel-scan did not end with the merge's 3"; exit 1; }
[[ "$(stat -c %i.%.9Y.%s "$tmp/work"/shard-*.qo)" == "$before" ]] || { echo "complete shards were written again"; exit 1; }
same_outputs "$tmp/one" "$tmp/three" || exit 1
echo "parallel-scan: 3 shards on 2 jobs give the bytes of one run"

# Two shards fail at once (their outcome files' names are taken by
# folders): both are named and counted, the merge does not run, the results
# stay as they were.
cp "$tmp/three/results.txt" "$tmp/results.before"
mkdir -p "$tmp/work-fail"/shard-{0,1}-of-3.qo
timeout 120 "$root/scripts/cluster/parallel-scan" -j 2 -n 3 --work "$tmp/work-fail" --scan "$scan" \
  "${scan_options[@]}" $(outputs_in "$tmp/three") -q -- "$tmp/rec" 2>"$tmp/fail.err"
status=$?
((status != 0)) || { echo "parallel-scan exited 0 with failed shards"; exit 1; }
grep -q "parallel-scan: 2 of 3 shards failed: 0 (exit 2), 1 (exit 2)" "$tmp/fail.err" ||
grep -q "parallel-scan: 2 of 3 shards failed: 1 (exit 2), 0 (exit 2)" "$tmp/fail.err" ||
  { echo "the failed shards are not named and counted:"; cat "$tmp/fail.err"; exit 1; }
cmp "$tmp/results.before" "$tmp/three/results.txt" || { echo "the results changed"; exit 1; }
echo "parallel-scan: failed shards are named and counted"

#!/usr/bin/env bash
# Real-time factor and peak memory of quilve-scan on a generated 250 kHz
# recording with calls, with one and with two jobs.
#   bench/scan_speed.sh [BUILD_DIR] [SECONDS] [COPIES]
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
copies=${3:-4}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --build "$build" -j2 --target quilve-scan quilve_samples >/dev/null
for i in $(seq 1 "$copies"); do
  "$build/tools/quilve_samples" --long "$tmp/long_$i.wav" "$seconds"
done
audio=$(echo "$seconds * $copies" | bc -l)
for jobs in 1 2; do
  /usr/bin/time -v "$build/src/quilve-scan" -q --jobs "$jobs" -o "$tmp/r$jobs.txt" "$tmp" 2>"$tmp/time$jobs.txt"
  wall=$(grep 'Elapsed (wall clock)' "$tmp/time$jobs.txt" | awk '{print $NF}' | awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
  rss=$(grep 'Maximum resident set size' "$tmp/time$jobs.txt" | awk '{print $NF}')
  printf 'jobs %d: %.0f s of audio in %.2f s wall: %.0fx real time, peak memory %d KiB\n' \
    "$jobs" "$audio" "$wall" "$(echo "$audio / $wall" | bc -l)" "$rss"
done
cmp "$tmp/r1.txt" "$tmp/r2.txt" && echo "results identical for 1 and 2 jobs"

#!/usr/bin/env bash
# Speed and memory of quilve-scan with default settings on generated 250 kHz
# recordings with a call every 100 ms, files in the page cache:
#   - the real-time factor per second of processor time (user + system) with
#     one job on one recording and with two jobs on two, and the throughput of
#     two jobs against one (wall time, so only meaningful on an idle machine);
#   - the processor time per recording for 5,000 and 20,000 recordings of
#     0.2 s (and their ratio, 4 when the cost is linear in the number);
#   - the peak memory for a 1-minute and a 10-minute recording;
#   - the per-column cost of each stage of the column path beside FFTW's
#     256-point real transform (bench_spectrum, when built with FFTW);
#   - the desktop program's worker with its displays against the batch
#     scanner on one thread (bench_desktop_scan, when the desktop is built).
# Every figure is the best of REPEATS runs.
#   bench/scan_speed.sh [BUILD_DIR] [REPEATS] [SHORT_COUNTS]
set -euo pipefail
build=${1:-build}
repeats=${2:-3}
short_counts=${3:-"5000 20000"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --build "$build" -j2 --target quilve-scan quilve_samples >/dev/null
cmake --build "$build" -j2 --target bench_spectrum >/dev/null 2>&1 || true
cmake --build "$build" -j2 --target bench_desktop_scan >/dev/null 2>&1 || true
scan="$build/src/quilve-scan"
samples="$build/tools/quilve_samples"

# best_run OUT_PREFIX ARGS...: runs quilve-scan REPEATS times and leaves the
# best run's processor seconds, wall seconds and peak KiB in
# $cpu, $wall and $rss.
best_run() {
  cpu="" wall="" rss=""
  for _ in $(seq 1 "$repeats"); do
    /usr/bin/time -f '%U %S %e %M' -o "$tmp/time" "$scan" -q "$@"
    read -r u s e m <"$tmp/time"
    c=$(echo "$u + $s" | bc -l)
    if [[ -z "$cpu" ]] || (($(echo "$c < $cpu" | bc -l))); then cpu=$c; fi
    if [[ -z "$wall" ]] || (($(echo "$e < $wall" | bc -l))); then wall=$e; fi
    if [[ -z "$rss" ]] || ((m < rss)); then rss=$m; fi
  done
}

mkdir -p "$tmp/one" "$tmp/two" "$tmp/ten"
"$samples" --long "$tmp/one/a.wav" 60
cp "$tmp/one/a.wav" "$tmp/two/a.wav"
"$samples" --long "$tmp/two/b.wav" 60
"$samples" --long "$tmp/ten/a.wav" 600

best_run --jobs 1 -o "$tmp/r1.txt" "$tmp/one"
printf 'one job, 60 s:            %6.0fx real time per processor second (%.3f s), peak memory %d KiB\n' \
  "$(echo "60 / $cpu" | bc -l)" "$cpu" "$rss"
rss1=$rss
best_run --jobs 1 -o "$tmp/r2a.txt" "$tmp/two"
wall1=$wall
best_run --jobs 2 -o "$tmp/r2b.txt" "$tmp/two"
printf 'two jobs, 2 x 60 s:       %6.0fx real time per processor second (%.3f s); throughput %.2fx one job (wall %.2f s against %.2f s), peak memory %d KiB\n' \
  "$(echo "120 / $cpu" | bc -l)" "$cpu" "$(echo "$wall1 / $wall" | bc -l)" "$wall" "$wall1" "$rss"
cmp -s "$tmp/r2a.txt" "$tmp/r2b.txt" && echo "                          results identical for 1 and 2 jobs"
best_run --jobs 1 -o "$tmp/r10.txt" "$tmp/ten"
printf 'one job, 600 s:           %6.0fx real time per processor second (%.3f s), peak memory %d KiB (%.2fx the 60 s recording)\n' \
  "$(echo "600 / $cpu" | bc -l)" "$cpu" "$rss" "$(echo "$rss / $rss1" | bc -l)"
ten_cpu=$cpu

# Short recordings: copies of one 0.2 s recording under many names (copies,
# not hard links: a scan reads each file once however many names it has).
"$samples" --long "$tmp/short.wav" 0.2
# The audio's share, from the 10-minute recording (start-up spread thinnest).
audio_cost=$(echo "$ten_cpu / 600 * 0.2" | bc -l)
previous=""
for n in $short_counts; do
  dir="$tmp/short$n"
  mkdir -p "$dir"
  for i in $(seq -w 1 "$n"); do cp "$tmp/short.wav" "$dir/s$i.wav"; done
  best_run --jobs 1 -o "$tmp/rs$n.txt" "$dir"
  printf '%6d recordings of 0.2 s: %.3f s, %.3f ms per recording, %.3f ms beyond its audio' \
    "$n" "$cpu" "$(echo "$cpu / $n * 1000" | bc -l)" "$(echo "($cpu / $n - $audio_cost) * 1000" | bc -l)"
  if [[ -n "$previous" ]]; then
    printf ' (%.2fx the processor time of %d)' "$(echo "$cpu / ${previous#* }" | bc -l)" "${previous% *}"
  fi
  printf '\n'
  previous="$n $cpu"
  rm -rf "$dir"
done

if [[ -x "$build/bench/bench_spectrum" ]]; then
  echo "per column (best of $repeats runs of the spectrum benchmark):"
  "$build/bench/bench_spectrum" --benchmark_filter='PerColumn' --benchmark_repetitions="$repeats" \
    --benchmark_report_aggregates_only=false 2>/dev/null |
    awk '/^BM_.*PerColumn/ && $0 !~ /_(mean|median|stddev|cv)/ {
           name = $1; sub(/^BM_/, "", name); sub(/PerColumn.*/, "", name)
           for (i = 2; i <= NF; ++i) if ($i ~ /^per_column=/) { v = $i; sub(/per_column=/, "", v) }
           unit = v; gsub(/[0-9.]/, "", unit); x = v + 0
           if (unit == "u") x *= 1000; else if (unit == "m") x *= 1e6
           if (!(name in best) || x < best[name]) best[name] = x
           if (!(name in order)) { order[name] = ++count; names[count] = name }
         }
         END {
           label["Transform"] = "transform (16 columns at once)"; label["Levels"] = "levels"
           label["Floor"] = "floor windows (whole floor)"; label["Detector"] = "detector step"
           label["FftwR2c256"] = "FFTW 256-point r2c (reference)"
           for (i = 1; i <= count; ++i) printf "  %-32s %7.1f ns\n", (names[i] in label ? label[names[i]] : names[i]), best[names[i]]
         }'
fi

if [[ -x "$build/bench/bench_desktop_scan" ]]; then
  "$build/bench/bench_desktop_scan" "$tmp/one" "$repeats" 2>/dev/null | tail -n 1
fi

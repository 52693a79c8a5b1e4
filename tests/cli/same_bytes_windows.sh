#!/usr/bin/env bash
# The Windows quilve-scan against the Linux one on every folder of real
# recordings: results files in every layout with every optional column,
# zero-crossing files (one per recording and combined), sonograms, the
# settings file written and the summary, compared byte for byte.
#   same_bytes_windows.sh LINUX_SCAN DATA_DIR OUT_DIR WINDOWS_COMMAND...
# WINDOWS_COMMAND runs the Windows program (e.g. wine .../quilve-scan.exe).
# Skipped (77) with the reason when the recordings or the Linux program are
# missing. Folders whose recordings state no time expansion but are
# expanded ten times (said so in the folder list) are scanned with
# --expansion 10 on both sides.
set -uo pipefail
linux=$1 data=$2 out=$3
shift 3
windows=("$@")
[[ -d $data ]] || { echo "SKIPPED: no real recordings at $data"; exit 77; }
[[ -x $linux ]] || { echo "SKIPPED: no Linux quilve-scan at $linux (build it in build/)"; exit 77; }
((${#windows[@]} > 0)) || { echo "usage: $0 LINUX_SCAN DATA_DIR OUT_DIR WINDOWS_COMMAND..." >&2; exit 2; }

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
data=$(cd "$data" && pwd)
# Under Wine this file system is drive Z: (a path starting with / would be
# taken for an option there).
drive=
[[ $(basename "${windows[0]}") == wine* ]] && drive=Z:

# The folders the list says to scan with --expansion 10.
expanded=$(grep -- '--expansion 10' "$data/MANIFEST.md" 2>/dev/null | sed -n 's/^| `\([^`/]*\)\/`.*/\1/p')

# Runs one scan with the given options on both sides, into
# OUT/linux/NAME and OUT/windows/NAME (the options may name @OUT@, the
# side's own folder for the run).
run_both() {
  local name=$1; shift
  local side args
  for side in linux windows; do
    mkdir -p "$out/$side/$name"
    args=()
    if [[ $side == linux ]]; then
      for a in "$@"; do args+=("${a//@OUT@/$out/$side/$name}"); done
      "$linux" "${args[@]}" >"$out/$side/$name.log" 2>&1
    else
      for a in "$@"; do
        a=${a//@OUT@/$drive$out/$side/$name}
        [[ $a == "$data"* ]] && a=$drive$a
        args+=("$a")
      done
      "${windows[@]}" "${args[@]}" >"$out/$side/$name.log" 2>&1
    fi
    echo $? >"$out/$side/$name.status"
  done
}

folders=0
for dir in "$data"/*/; do
  folder=$(basename "$dir")
  options=(-r -q)
  grep -qx "$folder" <<<"$expanded" && options+=(--expansion 10)
  folders=$((folders + 1))
  for layout in analook sonobat2 echoclass quilve; do
    run_both "$folder/$layout" "${options[@]}" --format "$layout" --include spl,curvature,fit,gps \
      -o "@OUT@/results.txt" "$dir"
  done
  run_both "$folder/zcd" "${options[@]}" --format zcd --zcd-dir "@OUT@" "$dir"
  run_both "$folder/zcd-combined" "${options[@]}" --format zcd --combine --zcd-dir "@OUT@" "$dir"
  run_both "$folder/sonograms" "${options[@]}" --format quilve -o "@OUT@/results.txt" \
    --sonograms "@OUT@/png" --save-settings "@OUT@/scan.set" "$dir"
done

# Everything written, byte for byte, and the exit statuses; console output
# (logs) is not compared, it holds paths and Windows line ends.
failed=0
while IFS= read -r -d '' f; do
  rel=${f#"$out/linux/"}
  [[ $rel == *.log ]] && continue
  if [[ ! -e "$out/windows/$rel" ]]; then
    echo "DIFFERENT: $rel: not written by the Windows program"
    failed=1
  elif ! cmp -s "$f" "$out/windows/$rel"; then
    echo "DIFFERENT: $rel"
    if [[ $rel == *.txt || $rel == *.status || $rel == *.set ]]; then
      diff "$f" "$out/windows/$rel" | head -6
    else
      cmp "$f" "$out/windows/$rel" | head -2
    fi
    failed=1
  fi
done < <(find "$out/linux" -type f -print0 | sort -z)
while IFS= read -r -d '' f; do
  rel=${f#"$out/windows/"}
  [[ $rel == *.log || -e "$out/linux/$rel" ]] && continue
  echo "DIFFERENT: $rel: written only by the Windows program"
  failed=1
done < <(find "$out/windows" -type f -print0 | sort -z)

files=$(find "$out/linux" -type f ! -name '*.log' ! -name '*.status' | wc -l)
if ((failed)); then
  echo "FAILED: the Windows and Linux outputs differ (above); logs in $out"
  exit 1
fi
((files > 0)) || { echo "FAILED: nothing was written"; exit 1; }
echo "$files files from $folders folders identical on Windows and Linux"

# Shared by the tests of scripts/cluster: recordings to scan and the
# one-machine run to compare with. Sourced; expects $scan and $root.

# Copies of the bundled samples under names a few seconds apart, so bat
# passes run from one recording into the next, plus one unreadable file.
make_recordings() {
  local dir=$1 s i=0
  local sources=(site1_D20140930T010203m456.wav te10_D20140930T020304m000.wav noise_D20140930T030000m000.wav
                 te10wv_D20140930T040506m000.wv)
  mkdir -p "$dir"
  for s in 00 02 03 05 07 08 10 12 30 31 33 35; do
    local src=${sources[$((i % 4))]}
    cp "$root/samples/$src" "$dir/bat_D20140930T0102${s}m000.${src##*.}"
    i=$((i + 1))
  done
  printf 'RIFF\001\000' >"$dir/bat_D20140930T010204m000_broken.wav"
}

# The options every run here uses, and the outputs in folder $1.
scan_options=(--format quilve --include curvature --min-calls 2)
outputs_in() { echo "-o $1/results.txt --summary-json $1/summary.json"; }

# Compares the outputs of folder $1 with those of folder $2 byte for byte.
same_outputs() {
  local f ok=0
  for f in results.txt summary.json; do
    if ! cmp "$1/$f" "$2/$f"; then ok=1; fi
  done
  [[ $(wc -l <"$1/results.txt") -gt 10 ]] || { echo "too few results rows in $1/results.txt"; ok=1; }
  return $ok
}

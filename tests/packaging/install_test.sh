#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks that every file is in
# its place, and scans the bundled samples with the installed quilve-scan:
# the results equal those of the program in the build folder.
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/quilve-scan bin/quilve-inspect bin/quilve-parallel-scan bin/quilve-slurm-scan
  share/man/man1/quilve-scan.1.gz share/man/man1/quilve-inspect.1.gz
  share/man/man1/quilve-parallel-scan.1.gz share/man/man1/quilve-slurm-scan.1.gz
  share/bash-completion/completions/quilve-scan
  share/doc/quilve/copyright share/doc/quilve/changelog.gz
)
if [[ -x $build/src/quilve ]]; then
  expected+=(bin/quilve share/man/man1/quilve.1.gz share/applications/quilve.desktop
             share/icons/hicolor/scalable/apps/quilve.svg)
fi
fail=0
for f in "${expected[@]}"; do
  [[ -e $prefix/$f ]] || { echo "not installed: $f"; fail=1; }
done
# Nothing else: no test, benchmark or fuzz program, no library.
unexpected=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort |
             comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[[ -z $unexpected ]] || { echo "installed but not expected: $unexpected"; fail=1; }

# Every program has its manual page, compressed reproducibly (no name or
# time in the gzip header) and readable; the programs carry no .comment.
for p in "$prefix"/bin/*; do
  page=$prefix/share/man/man1/$(basename "$p").1.gz
  [[ -e $page ]] || continue
  gzip -t "$page" || fail=1
  [[ $(od -An -tx1 -j3 -N5 "$page" | tr -d ' ') == 0000000000 ]] ||
    { echo "$page: gzip header holds a name or a time (gzip -9n)"; fail=1; }
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || true
    [[ -z $warnings ]] || { echo "$page: $warnings"; fail=1; }
  fi
  if readelf -S "$p" 2>/dev/null | grep -q '\.comment'; then
    echo "$p: has a .comment section"; fail=1
  fi
done
# The cluster scripts run under their installed names.
for s in quilve-parallel-scan quilve-slurm-scan; do
  "$prefix/bin/$s" --help >"$work/help.txt" 2>&1 || true
  grep -q -- "--work" "$work/help.txt" || { echo "$s --help: $(head -3 "$work/help.txt")"; fail=1; }
done
# The copyright holds the licence of LICENSE, and the changelog begins with
# this version's entry.
grep -qx "License: Expat" "$prefix/share/doc/quilve/copyright" || { echo "copyright: no License: Expat"; fail=1; }
grep -q "^ Permission is hereby granted" "$prefix/share/doc/quilve/copyright" || { echo "copyright: no licence text"; fail=1; }
[[ $(gzip -dc "$prefix/share/doc/quilve/changelog.gz" | head -1) == "quilve ($version) unstable; urgency=medium" ]] ||
  { echo "changelog.gz does not begin with $version: $(gzip -dc "$prefix/share/doc/quilve/changelog.gz" | head -1)"; fail=1; }

# The installed programs run from the prefix.
for p in quilve-scan quilve-inspect; do
  got=$("$prefix/bin/$p" --version)
  [[ $got == "$p $version" ]] || { echo "$p --version: '$got'"; fail=1; }
done
"$prefix/bin/quilve-inspect" "$source/samples" >"$work/inspect.txt"
grep -q "effective rate" "$work/inspect.txt" || { echo "quilve-inspect printed no recording"; fail=1; }
"$prefix/bin/quilve-scan" -q -o "$work/installed.txt" --sonograms "$work/pictures" "$source/samples"
"$build/src/quilve-scan" -q -o "$work/built.txt" "$source/samples"
cmp "$work/installed.txt" "$work/built.txt" || { echo "installed and built quilve-scan disagree"; fail=1; }
[[ $(wc -l <"$work/installed.txt") -gt 1 ]] || { echo "no calls found in the samples"; fail=1; }
ls "$work/pictures"/*.png >/dev/null || { echo "no sonogram written"; fail=1; }

# The bash completion offers the options and the values of --format.
completions=$(bash -c "
  source '$prefix/share/bash-completion/completions/quilve-scan'
  COMP_WORDS=(quilve-scan --sono); COMP_CWORD=1; _quilve_scan; echo \"\${COMPREPLY[*]}\"
  COMP_WORDS=(quilve-scan --format e); COMP_CWORD=2; _quilve_scan; echo \"\${COMPREPLY[*]}\"
  COMP_WORDS=(quilve-scan --include spl,cu); COMP_CWORD=2; _quilve_scan; echo \"\${COMPREPLY[*]}\"
  COMP_WORDS=('$prefix/bin/quilve-scan' --set SonoTrig); COMP_CWORD=2; _quilve_scan; echo \"\${COMPREPLY[*]}\"")
expected_completions=$'--sonograms --sonograms-all\nechoclass\nspl,curvature\nSonoTriggerThresholdDB='
[[ $completions == "$expected_completions" ]] || { echo "completion gave: $completions"; fail=1; }

skipped=""
if [[ -e $prefix/share/applications/quilve.desktop ]]; then
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/quilve.desktop" || fail=1
  else
    skipped="desktop-file-validate is not installed (Debian: desktop-file-utils): the desktop entry is not checked"
  fi
fi
((fail == 0)) || exit 1
echo "installed into a temporary prefix: ${#expected[@]} files; the samples scan alike"
[[ -z $skipped ]] || { echo "SKIPPED: $skipped"; exit 77; }

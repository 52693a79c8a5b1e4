#!/usr/bin/env bash
# The FLTK smoke tests on a virtual X server. A smoke test skips where no
# display opens; here one must open, so any skip inside, or no test at all,
# fails this test. Without xvfb-run it is skipped (77) with the reason.
#   fltk_smoke_xvfb.sh TEST_UI [XVFB_RUN]
set -uo pipefail
program=$1
xvfb=${2:-$(command -v xvfb-run || true)}
[[ -n $xvfb && -x $xvfb ]] || { echo "SKIPPED: xvfb-run is not installed (Debian: xvfb)"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$xvfb" -a ${QUILVE_TEST_EMULATOR:-} "$program" --gtest_filter='FltkSmoke.*' 2>&1 | tee "$out/log"
status=${PIPESTATUS[0]}
((status == 0)) || { echo "FAILED: the smoke tests ended with $status"; exit 1; }
if grep -q '^\[  SKIPPED \]' "$out/log"; then
  echo "FAILED: smoke tests skipped on the virtual display:"
  sed -n 's/^\[  SKIPPED \] \([A-Za-z_][^ ]*\).*/  \1/p' "$out/log" | sort -u
  exit 1
fi
# Under Wine the lines end in CR LF.
passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.\r\?$/\1/p' "$out/log")
((${passed:-0} > 0)) || { echo "FAILED: no smoke test ran"; exit 1; }
echo "$passed smoke tests passed on the virtual display"

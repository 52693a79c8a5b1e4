#!/usr/bin/env bash
# Builds the Debian package from the build folder, as scripts/package does,
# and holds it to lintian --pedantic: no error and no warning (information
# tags are shown, not counted). Skipped (77) where lintian is not installed.
#   lintian_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
command -v lintian >/dev/null || { echo "SKIP: lintian is not installed (scripts/bootstrap installs it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$work/quilve_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "no $deb"; exit 1; }
# As root lintian says so on standard error each run; that is no finding.
lintian --pedantic --display-info --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>"$work/lintian.err" || true
grep -v "running with root privileges is not recommended" "$work/lintian.err" >&2 || true
grep -E '^[IP]: ' "$work/lintian.txt" || true
if grep -qE '^[EW]: ' "$work/lintian.txt"; then
  echo "lintian --pedantic finds errors or warnings in $(basename "$deb"):"
  grep -E '^[EW]: ' "$work/lintian.txt"
  exit 1
fi
if grep -qv '^[IPN]: \|^N:$\|^$' "$work/lintian.txt"; then
  echo "lintian printed what it should not:"; grep -v '^[IPN]: \|^N:$\|^$' "$work/lintian.txt"; exit 1
fi
echo "lintian --pedantic: no errors and no warnings in $(basename "$deb") ($(lintian --version))"

#!/usr/bin/env bash
# The Debian package in a clean Debian root, as a new user's machine has it:
# a minbase root (mmdebstrap, or debootstrap) of this machine's release, the
# package installed with apt (which brings its dependencies from the mirror),
# used (quilve-scan --version, a scan of the samples, man quilve-scan) and
# purged, after which the root holds exactly what it held before.
# The minbase root is made once and kept as a tar file under the build
# folder, reused while it is there. Skipped (77), with the reason, without
# root, without mmdebstrap or debootstrap, or without the mirror.
#   chroot_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 version=$3
skip() { echo "SKIP: $*"; exit 77; }
[[ $(id -u) == 0 ]] || skip "needs root (chroot, and apt inside the root)"
command -v mmdebstrap >/dev/null || command -v debootstrap >/dev/null ||
  skip "neither mmdebstrap nor debootstrap is installed (scripts/bootstrap installs mmdebstrap)"
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $suite ]] || skip "this machine's Debian release has no code name"
# The mirror this machine's apt uses.
uris=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p; s/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) .*/\2/p' \
         /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list 2>/dev/null || true)
mirror=$(grep -m1 -v security <<<"$uris" || echo http://deb.debian.org/debian)
security=$(grep -m1 security <<<"$uris" || true)
host=$(sed -E 's|^[a-z]+://([^/:]+).*|\1|' <<<"$mirror")
timeout 20 bash -c "exec 3<>/dev/tcp/$host/80" 2>/dev/null || skip "the mirror $mirror cannot be reached"

start=$SECONDS
cache=$build/chroot-cache/$suite-minbase.tar
if [[ ! -s $cache ]]; then
  mkdir -p "$(dirname "$cache")"
  echo "making the minbase root of $suite from $mirror (kept in $cache)"
  if command -v mmdebstrap >/dev/null; then
    mmdebstrap --quiet --variant=minbase --mode=root --format=tar \
      --aptopt='Acquire::Check-Valid-Until "false"' "$suite" "$cache.tmp" \
      "deb $mirror $suite main" "deb $mirror $suite-updates main" \
      ${security:+"deb $security $suite-security main"} >"$build/chroot-cache/make.log" 2>&1 ||
      { tail -20 "$build/chroot-cache/make.log"; rm -f "$cache.tmp"; exit 1; }
  else
    debootstrap --variant=minbase "$suite" "$build/chroot-cache/root" "$mirror" >"$build/chroot-cache/make.log" 2>&1 ||
      { tail -20 "$build/chroot-cache/make.log"; rm -rf "$build/chroot-cache/root"; exit 1; }
    tar -C "$build/chroot-cache/root" -cf "$cache.tmp" . && rm -rf "$build/chroot-cache/root"
  fi
  mv "$cache.tmp" "$cache"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$work/deb/quilve_${version}_$(dpkg --print-architecture).deb
root=$work/root
mkdir "$root"
tar -C "$root" -xf "$cache"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/quilve.deb"
cp -r "$source/samples" "$root/tmp/samples"
# Runs a command in the root, in a mount namespace of its own with its own
# /proc, so nothing stays mounted whatever happens.
in_root() {
  unshare --mount --fork --pid --mount-proc="$root/proc" chroot "$root" /usr/bin/env -i \
    PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive sh -c "$1"
}
# Everything in the root but what apt, dpkg and man-db keep about themselves.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/cache -o -path ./var/log \
     -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/lib/man-db -o -path ./root \) -prune \
     -o -printf '%y %m %p\n' | sort)
}
fail=0
log=$work/apt.log
in_root "apt-get update -qq" >"$log" 2>&1 || { echo "apt-get update in the root failed:"; tail "$log"; exit 1; }
# The dependencies first (and man-db to read the page): the snapshot then
# holds all but the package itself.
deps=$(dpkg-deb --field "$deb" Depends | sed 's/([^)]*)//g; s/|[^,]*//g; s/,/ /g')
in_root "apt-get install -y -qq --no-install-recommends man-db $deps" >>"$log" 2>&1 ||
  { echo "installing the dependencies failed:"; tail -20 "$log"; exit 1; }
snapshot >"$work/before.txt"
in_root "apt-get install -y -qq --no-install-recommends /tmp/quilve.deb" >>"$log" 2>&1 ||
  { echo "apt-get install of the package failed:"; tail -20 "$log"; exit 1; }
newly=$(grep -c '^Unpacking ' "$log" || true)

got=$(in_root "quilve-scan --version") || true
[[ $got == "quilve-scan $version" ]] || { echo "quilve-scan --version in the root: '$got'"; fail=1; }
in_root "cd /tmp && quilve-scan -q -o /tmp/results.txt --summary-json /tmp/summary.json /tmp/samples" ||
  { echo "quilve-scan of the samples in the root exited $?"; fail=1; }
rows=$(wc -l <"$root/tmp/results.txt" 2>/dev/null || echo 0)
[[ $rows -gt 1 ]] || { echo "the scan in the root found no calls in the samples"; fail=1; }
"$build/src/quilve-scan" -q -o "$work/built.txt" "$source/samples" >/dev/null 2>&1 || true
cmp -s "$root/tmp/results.txt" "$work/built.txt" || { echo "the installed quilve-scan disagrees with the build's"; fail=1; }
page=$(in_root "MANWIDTH=80 man -P cat quilve-scan 2>&1") || true
grep -q "EXIT STATUS" <<<"$page" && grep -q "SonoTriggerThresholdDB" <<<"$page" ||
  { echo "man quilve-scan in the root: $(head -3 <<<"$page")"; fail=1; }
in_root "quilve-inspect /tmp/samples" | grep -q "effective rate" || { echo "quilve-inspect in the root"; fail=1; }
rm -f "$root"/tmp/results.txt "$root"/tmp/summary.json

in_root "apt-get purge -y -qq quilve" >>"$log" 2>&1 || { echo "apt-get purge failed:"; tail -20 "$log"; exit 1; }
status=$(in_root "dpkg-query -W -f='\${Status}' quilve 2>/dev/null") || true
[[ -z $status || $status == "unknown ok not-installed" ]] || { echo "after the purge dpkg still knows quilve: $status"; fail=1; }
ls "$root"/var/lib/dpkg/info/quilve.* >/dev/null 2>&1 && { echo "dpkg keeps files of quilve"; fail=1; }
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/left.txt" ||
  { echo "the purge left the root changed:"; head -40 "$work/left.txt"; fail=1; }
[[ $fail == 0 ]] && echo "installed into a clean $suite root ($newly packages unpacked with it), scanned the samples ($((rows - 1)) calls, as the build scans them), read its manual page and purged without a trace, in $((SECONDS - start)) s"
exit $fail

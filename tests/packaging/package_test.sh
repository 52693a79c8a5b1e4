#!/usr/bin/env bash
# Builds the Debian package from the build folder (nothing is rebuilt) and
# inspects it: control fields and declared dependencies, every installed
# file, the programs run from the unpacked package, and that apt resolves
# the package on a system where nothing is installed, the resolution holding
# every package that provides a library the programs load. apt's package
# lists are fetched when they are missing (as root); without them the test
# ends skipped (77), with the reason, once the other checks passed.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
arch=$(dpkg --print-architecture)
deb=$work/quilve_${version}_${arch}.deb
[[ -f $deb ]] || { echo "no $deb"; ls "$work"; exit 1; }

dpkg-deb --info "$deb" >"$work/info.txt"
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == quilve ]] || { echo "Package: $(field Package)"; fail=1; }
[[ $(field Version) == "$version" ]] || { echo "Version: $(field Version)"; fail=1; }
depends=$(field Depends)
needed=(libc6 libstdc++6 libwavpack1 libpng16-16 libglib2.0-0)
[[ -x $build/src/quilve ]] && needed+=(libfltk1.3 libx11-6)
for p in "${needed[@]}"; do
  [[ ", $depends," == *", $p "* || ", $depends," == *", $p,"* ]] || { echo "Depends lacks $p: $depends"; fail=1; }
done

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | sort >"$work/contents.txt"
expected=(usr/bin/quilve-scan usr/bin/quilve-inspect usr/bin/quilve-parallel-scan usr/bin/quilve-slurm-scan
          usr/share/man/man1/quilve-scan.1.gz usr/share/man/man1/quilve-inspect.1.gz
          usr/share/man/man1/quilve-parallel-scan.1.gz usr/share/man/man1/quilve-slurm-scan.1.gz
          usr/share/bash-completion/completions/quilve-scan
          usr/share/doc/quilve/copyright usr/share/doc/quilve/changelog.gz)
[[ -x $build/src/quilve ]] && expected+=(usr/bin/quilve usr/share/man/man1/quilve.1.gz
  usr/share/applications/quilve.desktop usr/share/icons/hicolor/scalable/apps/quilve.svg)
diff <(printf '%s\n' "${expected[@]}" | sort) "$work/contents.txt" >"$work/diff.txt" ||
  { echo "package contents differ from the installed files:"; cat "$work/diff.txt"; fail=1; }

dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/quilve-scan" --help | grep -q -- "--sonograms" || { echo "unpacked quilve-scan --help"; fail=1; }
[[ $("$work/root/usr/bin/quilve-inspect" --version) == "quilve-inspect $version" ]] || fail=1

have_lists() { compgen -G "/var/lib/apt/lists/*Packages*" >/dev/null; }
if ! have_lists && [[ $(id -u) == 0 ]]; then
  timeout 300 apt-get update -qq >"$work/update.txt" 2>&1 || true
fi
skipped=""
if have_lists; then
  : >"$work/status"
  if apt-get -s -o Dir::State::status="$work/status" install "$deb" >"$work/apt.txt" 2>&1; then
    sed -n 's/^Inst \([^ ]*\).*/\1/p' "$work/apt.txt" | sort -u >"$work/closure.txt"
    # The package of every library the programs load is among those apt
    # would install.
    # (ldd fails on the cluster scripts, which are no programs; it lists the others.)
    libs=$({ ldd "$work"/root/usr/bin/* 2>/dev/null || true; } | awk '/=> \// {print $3}' | sort -u)
    # One dpkg query for all of them, under each name a merged /usr gives.
    candidates=()
    for lib in $libs; do candidates+=("$lib" "/usr$lib" "$(readlink -f "$lib")"); done
    dpkg -S "${candidates[@]}" 2>/dev/null | sed 's/, /\n/g' >"$work/owners.txt" || true
    for lib in $libs; do
      owner=$(grep -F -e ": $lib" -e ": /usr$lib" -e ": $(readlink -f "$lib")" "$work/owners.txt" |
              head -1 | cut -d: -f1)
      [[ -n $owner ]] || { echo "no package owns $lib"; fail=1; continue; }
      grep -qx "$owner" "$work/closure.txt" || { echo "$lib ($owner) would not be installed"; fail=1; }
    done
    echo "apt on an empty system installs $(wc -l <"$work/closure.txt") packages with quilve, among them the owners of the $(echo $libs | wc -w) libraries the programs load"
  else
    echo "apt cannot resolve the package:"; tail -20 "$work/apt.txt"; fail=1
  fi
else
  skipped="no apt package lists, and apt-get update could not fetch them (needs root and the network):"
  skipped+=" the resolution on an empty system is not checked"
  [[ -s $work/update.txt ]] && tail -5 "$work/update.txt"
fi
((fail == 0)) || exit 1
echo "$(basename "$deb"): $(wc -l <"$work/contents.txt") files, Depends: $depends"
[[ -z $skipped ]] || { echo "SKIPPED: $skipped"; exit 77; }

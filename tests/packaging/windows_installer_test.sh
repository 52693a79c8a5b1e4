#!/usr/bin/env bash
# The Windows installer installed silently (/S) into a fresh Wine prefix:
# the three programs, the icon, the manual and the registered uninstaller
# are where they belong, the installed quilve-scan.exe writes the same
# bytes as the Linux build's on the real recordings, and the silent
# uninstall removes the programs again.
#   windows_installer_test.sh BUILD_DIR VERSION LINUX_SCAN DATA_DIR WINE
set -uo pipefail
build=$1 version=$2 linux=$3 data=$4 wine=${5:-wine}
installer=$build/quilve-$version-win64.exe
zip=$build/quilve-$version-win64.zip
[[ -f $installer ]] || { echo "SKIPPED: no installer at $installer (cpack -G \"NSIS;ZIP\" in $build)"; exit 77; }
command -v "$wine" >/dev/null || { echo "SKIPPED: $wine is not installed"; exit 77; }

export WINEPREFIX=$build/wineprefix-installer WINEDEBUG=-all
rm -rf "$WINEPREFIX"
fail() { echo "FAILED: $*"; exit 1; }

"$wine" "$installer" /S || fail "the silent install ended with $?"
"$wine" wineserver -w 2>/dev/null || wineserver -w 2>/dev/null || true
dir=$WINEPREFIX/drive_c/Program\ Files/QUILVE
for f in bin/quilve.exe bin/quilve-scan.exe bin/quilve-inspect.exe quilve.ico doc/quilve-scan.txt Uninstall.exe; do
  [[ -f "$dir/$f" ]] || fail "$f not installed in $dir"
done
# No DLL beside the programs: each is linked statically.
if ls "$dir"/bin/*.dll >/dev/null 2>&1; then fail "DLLs installed beside the programs"; fi
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QUILVE' >"$WINEPREFIX/uninstall-key.txt" 2>&1 ||
  "$wine" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\QUILVE' >"$WINEPREFIX/uninstall-key.txt" 2>&1 ||
  fail "no uninstaller registered"
grep -q UninstallString "$WINEPREFIX/uninstall-key.txt" || fail "the uninstall key has no UninstallString"
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QUILVE"*/QUILVE.lnk >/dev/null 2>&1 ||
  ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/QUILVE*/QUILVE.lnk >/dev/null 2>&1 ||
  fail "no Start-menu entry for the desktop program"

# The portable zip holds the same files.
if [[ -f $zip ]]; then
  for f in bin/quilve.exe bin/quilve-scan.exe bin/quilve-inspect.exe quilve.ico doc/quilve-scan.txt; do
    unzip -l "$zip" | grep -q "quilve-$version-win64/$f" || fail "$f missing from $zip"
  done
fi

bash "$(dirname "$0")/../cli/same_bytes_windows.sh" "$linux" "$data" "$build/same-bytes-installed" \
  "$wine" "C:\\Program Files\\QUILVE\\bin\\quilve-scan.exe"
status=$?
((status == 0 || status == 77)) || fail "the installed quilve-scan.exe differs from the Linux build"

"$wine" "$dir/Uninstall.exe" /S || fail "the silent uninstall ended with $?"
# The uninstaller copies itself away and removes the files from there.
for _ in $(seq 30); do [[ -f "$dir/bin/quilve-scan.exe" ]] || break; sleep 1; done
[[ ! -f "$dir/bin/quilve-scan.exe" ]] || fail "quilve-scan.exe still installed after the silent uninstall"
rm -rf "$WINEPREFIX"
echo "installed silently, results identical to the Linux build's, uninstalled silently"
((status == 0)) || exit 77

#!/usr/bin/env bash
# Makes two Windows Installer packages of the sample toolbar ("Config Version"
# 1 and 2) and runs the package test under Wine, in a prefix of its own that is
# thrown away afterwards.
#   run_msi_test.sh MSI_TEST.exe BANDHOST.exe
# ctest's entry of the win64 build; the i686 DLL comes from the win32 build
# beside it.
set -euo pipefail
test_exe=$1
host=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
windows_path() { echo "Z:${1//\//\\}"; } # the Unix root is drive Z:

work=$(mktemp -d "${TMPDIR:-/tmp}/pq-msi-test.XXXXXX")
prefix=$work/prefix
# The test's windows stay off the caller's screen.
export PQ_FORCE_XVFB=1
cleanup() {
  "$root/cmake/wine-run" "$prefix" --stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The sample, with a notice file of its own, so that every file is carried;
# the newer configuration has a greater version and one more button.
source=$work/source
mkdir -p "$source/newer"
cp "$root/samples/SampleBar.ini" "$root/samples/SampleBar.bmp" "$root/samples/SampleBar.gif" "$source/"
printf 'Copyright notice of the package test.\r\nSecond line.\r\n' >"$source/Copyrights.txt"
sed -e 's/^Config Version=.*/Config Version=2/' "$source/SampleBar.ini" >"$source/newer/SampleBar.ini"
printf '\r\n; the newer configuration\r\n' >>"$source/newer/SampleBar.ini"
cp "$source/SampleBar.bmp" "$source/SampleBar.gif" "$source/Copyrights.txt" "$source/newer/"
grep -q '^Config Version=2' "$source/newer/SampleBar.ini"

make() {  # SOURCE_DIR VERSION OUTPUT
  "$root/tools/installer/make_installer.sh" --msi "$1/SampleBar.ini" --toolbar-name SampleBar \
    --company "Example Publishing" --config-version "$2" --output "$3" >/dev/null
}
make "$source" 1 "$work/older.msi"
make "$source/newer" 2 "$work/newer.msi"
# Another publisher's toolbar made with the same DLL.
mkdir -p "$source/other"
sed -e 's/^Toolbar Name=.*/Toolbar Name=OtherBar/' "$source/SampleBar.ini" >"$source/other/OtherBar.ini"
"$root/tools/installer/make_installer.sh" --msi "$source/other/OtherBar.ini" --toolbar-name OtherBar \
  --company "Other Publishing" --config-version 1 --output "$work/other.msi" >/dev/null

"$root/cmake/wine-run" "$prefix" "$test_exe" "--older=$(windows_path "$work/older.msi")" \
  "--newer=$(windows_path "$work/newer.msi")" \
  "--upgrade-code=$(python3 "$root/tools/installer/toolbar_wxs.py" --upgrade-code SampleBar)" \
  "--bandhost=$(windows_path "$host")" "--source=$(windows_path "$source")" \
  "--other=$(windows_path "$work/other.msi")" "$@"

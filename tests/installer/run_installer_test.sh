#!/usr/bin/env bash
# Makes the sample toolbar's installer and runs the installer test under Wine,
# in a prefix of its own that is thrown away afterwards.
#   run_installer_test.sh INSTALLER_TEST.exe BANDHOST.exe
# ctest's entry of the win64 build; the i686 DLL comes from the win32 build
# beside it.
set -euo pipefail
test_exe=$1
host=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
windows_path() { echo "Z:${1//\//\\}"; } # the Unix root is drive Z:

work=$(mktemp -d "${TMPDIR:-/tmp}/pq-installer-test.XXXXXX")
prefix=$work/prefix
# The test's windows stay off the caller's screen.
export PQ_FORCE_XVFB=1
cleanup() {
  "$root/cmake/wine-run" "$prefix" --stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The sample, with a notice file of its own, so that every file is carried.
source=$work/source
mkdir -p "$source"
cp "$root/samples/SampleBar.ini" "$root/samples/SampleBar.bmp" "$root/samples/SampleBar.gif" \
  "$source/"
printf 'Copyright notice of the installer test.\r\nSecond line.\r\n' >"$source/Copyrights.txt"
setup=$work/SampleBar-setup.exe
"$root/tools/installer/make_installer.sh" "$source/SampleBar.ini" --toolbar-name SampleBar \
  --company "Example Publishing" --config-version 1 \
  --output "$setup" >/dev/null
# A later version of the sample without a banner or notice file of its own.
plain=$work/plain
mkdir -p "$plain"
sed -e 's/^Config Version=.*/Config Version=2/' -e '/^Banner Animation=/d' \
  "$root/samples/SampleBar.ini" >"$plain/SampleBar.ini"
plain_setup=$work/SampleBar-plain-setup.exe
"$root/tools/installer/make_installer.sh" "$plain/SampleBar.ini" --toolbar-name SampleBar \
  --company "Example Publishing" --config-version 2 --output "$plain_setup" >/dev/null
# Another publisher's toolbar made with the same DLL.
other=$work/other
mkdir -p "$other"
sed -e 's/^Toolbar Name=.*/Toolbar Name=OtherBar/' "$root/samples/SampleBar.ini" >"$other/OtherBar.ini"
other_setup=$work/OtherBar-setup.exe
"$root/tools/installer/make_installer.sh" "$other/OtherBar.ini" --toolbar-name OtherBar \
  --company "Other Publishing" --config-version 1 --output "$other_setup" >/dev/null

"$root/cmake/wine-run" "$prefix" "$test_exe" "--installer=$(windows_path "$setup")" \
  "--bandhost=$(windows_path "$host")" "--source=$(windows_path "$source")" \
  "--other-installer=$(windows_path "$other_setup")" \
  "--plain-installer=$(windows_path "$plain_setup")" "$@"

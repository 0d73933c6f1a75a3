#!/usr/bin/env bash
# The demo: installs the sample toolbar into a Wine prefix of its own,
# registers Pelliquester.dll there as an installer would, and shows it in the
# band host. Without a display the host runs on a virtual one for a few
# seconds and a screenshot is left in build/demo/; with one it runs until closed.
# Called by `./run demo` after the win64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win64
prefix=$root/build/demo-prefix
out=$root/build/demo
dll=$build/src/band/Pelliquester.dll
host=$build/tools/bandhost/bandhost.exe
for file in "$dll" "$host"; do
  [[ -f $file ]] || { echo "demo: $file is missing; build the win64 preset first" >&2; exit 1; }
done

wine_run() { cmake/wine-run "$prefix" "$@"; }
windows_path() { echo "Z:${1//\//\\}"; }  # the Unix root is drive Z:
headless=
[[ -z ${DISPLAY:-} ]] && headless=1
cleanup() { cmake/wine-run "$prefix" --stop >/dev/null 2>&1 || true; }
trap cleanup EXIT

mkdir -p "$out"
rm -f "$out/host.log" "$out/screenshot.png"
band_id=$(sed -n 's/.*kBandClassId\[\] = "\({[^}]*}\)".*/\1/p' src/config/band_identity.h)
band_key="HKLM\\SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\$band_id"

echo "demo: preparing the prefix $prefix"
wine_run cmd /c ver >/dev/null

# The installer's part: the files into the install directory, its three values.
install_dir="C:\\Program Files\\SampleBar"
unix_install_dir="$prefix/drive_c/Program Files/SampleBar"
mkdir -p "$unix_install_dir"
cp samples/SampleBar.ini samples/SampleBar.bmp "$dll" "$unix_install_dir/"
wine_run reg add "$band_key" /v InstallPath /d "$install_dir" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar Name" /d "SampleBar" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar File" /d "SampleBar" /f /reg:64 >/dev/null
echo "demo: installed the sample toolbar into $install_dir"

if ! wine_run regsvr32 /s "$install_dir\\Pelliquester.dll"; then
  echo "demo: regsvr32 failed to register Pelliquester.dll" >&2
  exit 1
fi
echo "demo: registered $install_dir\\Pelliquester.dll"

log_file=$(windows_path "$out/host.log")
if [[ -n $headless ]]; then
  wine_run "$host" --log "$log_file" --exit-after 10000 &
  host_pid=$!
  sleep 6
  display=$(cat "$prefix.state/display")
  DISPLAY=$display import -window root "$out/screenshot.png"
  wait "$host_pid"
  echo "demo: screenshot: $out/screenshot.png"
else
  echo "demo: the band host is open on $DISPLAY; close its window to end the demo"
  wine_run "$host" --log "$log_file"
fi
echo "demo: the band host's log ($out/host.log):"
sed 's/^/  /' "$out/host.log"

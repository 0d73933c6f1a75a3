#!/usr/bin/env bash
# Pictures of the toolbar window under Wine, for looking at: the normal
# toolbar, a narrow one with its chevron menu open, the search button's menu
# open, the search box's context menu open, and the normal toolbar at 144
# dots per inch. Uses the win64 build and the sample toolbar; the pictures go
# to build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win64
prefix=$root/build/wineprefix
out=$root/build/screenshots
preview=$build/tools/toolbar_preview/toolbar_preview.exe
[[ -f $preview ]] || { echo "screenshots: build the win64 preset first" >&2; exit 1; }
mkdir -p "$out"

windows_path() { echo "Z:${1//\//\\}"; }  # the Unix root is drive Z:
samples=$(windows_path "$root/samples")
dpi_key='HKCU\Control Panel\Desktop'

shot() {  # scene, picture name
  # A program that does not end after its picture is stopped; the picture counts.
  timeout 60 cmake/wine-run "$prefix" "$preview" "$1" "$samples" SampleBar \
    "$(windows_path "$out/$2.bmp")" || true
  [[ -f $out/$2.bmp ]] || { echo "screenshots: no picture for $1" >&2; exit 1; }
  convert "$out/$2.bmp" "$out/$2.png"
  rm -f "$out/$2.bmp"
  echo "screenshots: $out/$2.png"
}

shot normal normal
shot chevron narrow-chevron
shot submenu submenu
shot search search-popup

# The resolution is the prefix's, read by each program as it starts; the
# value before is put back however the run ends.
old_dpi=$(cmake/wine-run "$prefix" reg query "$dpi_key" /v LogPixels 2>/dev/null |
          sed -n 's/.*REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p' || true)
restore_dpi() {
  if [[ -n $old_dpi ]]; then
    cmake/wine-run "$prefix" reg add "$dpi_key" /v LogPixels /t REG_DWORD /d $((16#$old_dpi)) /f
  else
    cmake/wine-run "$prefix" reg delete "$dpi_key" /v LogPixels /f
  fi >/dev/null 2>&1 || true
}
trap restore_dpi EXIT
cmake/wine-run "$prefix" reg add "$dpi_key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
shot dpi dpi-144

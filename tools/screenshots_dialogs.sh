#!/usr/bin/env bash
# Pictures of the toolbar's dialogs as Wine draws them: the About box at 96
# and at 144 DPI, the timed About box, and the input box, left as PNG files in
# build/screenshots/. Runs in a Wine prefix of its own on a virtual display
# unless one is set; the prefix's DPI setting is put back afterwards.
# Needs the win64 build (cmake --preset win64 && cmake --build --preset win64).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shots=$root/build/win64/tools/dialog_shots/dialog_shots.exe
prefix=$root/build/screenshots-prefix
out=$root/build/screenshots
[[ -f $shots ]] || { echo "screenshots: $shots is missing; build the win64 preset first" >&2; exit 1; }

wine_run() { cmake/wine-run "$prefix" "$@"; }
windows_path() { echo "Z:${1//\//\\}"; }  # the Unix root is drive Z:
desktop_key='HKCU\Control Panel\Desktop'
old_dpi=
restore_dpi() {
  if [[ -n $old_dpi ]]; then
    wine_run reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$old_dpi" /f >/dev/null
  else
    wine_run reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 || true
  fi
}
cleanup() {
  restore_dpi || true
  cmake/wine-run "$prefix" --stop >/dev/null 2>&1 || true
}
trap cleanup EXIT

mkdir -p "$out"
wine_run cmd /c ver >/dev/null
# No window manager runs on the virtual display; Wine then draws the title
# bars and frames itself.
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
# The prefix's own setting, if it has one, to put back at the end.
old_dpi=$( (wine_run reg query "$desktop_key" /v LogPixels 2>/dev/null || true) |
  sed -n 's/.*LogPixels.*REG_DWORD[[:space:]]*\(0x[0-9a-fA-F]*\).*/\1/p' | tr -d '\r')
if [[ -n $old_dpi ]]; then old_dpi=$((old_dpi)); fi

shoot() {  # dpi dialog name
  local dpi=$1 dialog=$2 name=$3
  wine_run reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  # The DPI is read when the display starts for the prefix's processes.
  cmake/wine-run "$prefix" --stop >/dev/null 2>&1 || true
  rm -f "$out/$name.bmp"
  wine_run "$shots" "$dialog" "$(windows_path "$out/$name.bmp")"
  convert "$out/$name.bmp" "$out/$name.png"
  rm -f "$out/$name.bmp"
  echo "screenshots: $out/$name.png ($(identify -format '%wx%h' "$out/$name.png"), $dpi DPI)"
}

shoot 96 about about-96
shoot 144 about about-144
shoot 96 about-timed about-timed-96
shoot 96 input input-96
shoot 144 input input-144

#!/usr/bin/env bash
# A picture of a configured toolbar as the DLL draws it: the configuration,
# its banner and notice file are installed into a Wine prefix of their own,
# the DLL is registered there, the band host shows the toolbar on a virtual
# display, and the host's window is saved as a PNG. With --open, --about or
# --width the toolbar window is shown alone, as wide as asked, with the
# drop-down or submenu of the item named NAME open (the menus above it too)
# or its About box, and the picture holds them.
#   preview.sh [--from DIR] CONFIG.ini OUT.png [--dpi N] [--width N]
#              [--open NAME | --about]
# File names are taken relative to DIR (default: the current directory).
# Called by `./run preview` after the win64 build.
set -euo pipefail
usage() {
  echo "usage: ./run preview CONFIG.ini OUT.png [--dpi N] [--width N] [--open NAME | --about]" >&2
  exit 2
}
caller=$PWD
if [[ ${1:-} == --from ]]; then
  [[ $# -ge 2 ]] || usage
  caller=$2
  shift 2
fi
cd "$(dirname "$0")/.."
root=$PWD

config= out= dpi= width= open= about=
while (($#)); do
  case $1 in
    --dpi)
      [[ $# -ge 2 && $2 =~ ^[1-9][0-9]*$ ]] || usage
      dpi=$2
      shift 2
      ;;
    --width)
      [[ $# -ge 2 && $2 =~ ^[1-9][0-9]{2,4}$ ]] || usage
      width=$2
      shift 2
      ;;
    --open)
      [[ $# -ge 2 && -n $2 ]] || usage
      open=$2
      shift 2
      ;;
    --about)
      about=1
      shift
      ;;
    -*) usage ;;
    *)
      if [[ -z $config ]]; then config=$1; elif [[ -z $out ]]; then out=$1; else usage; fi
      shift
      ;;
  esac
done
[[ -n $config && -n $out ]] || usage
[[ -z $open || -z $about ]] || usage
absolute() { if [[ $1 == /* ]]; then echo "$1"; else echo "$caller/$1"; fi; }
config=$(absolute "$config")
out=$(absolute "$out")
[[ -f $config ]] || { echo "preview: there is no file $config" >&2; exit 2; }
mkdir -p "$(dirname "$out")"

build=$root/build/win64
dll=$build/src/band/Pelliquester.dll
host=$build/tools/bandhost/bandhost.exe
check=$build/tools/check/pqcheck.exe
alone=$build/tools/toolbar_preview/toolbar_preview.exe
for file in "$dll" "$host" "$check" "$alone"; do
  [[ -f $file ]] || { echo "preview: $file is missing; build the win64 preset first" >&2; exit 1; }
done

# Everything of this run lives in one directory, removed at the end; the
# display is always a virtual one, whatever the caller's is.
mkdir -p "$root/build"
work=$(mktemp -d "$root/build/preview.XXXXXX")
prefix=$work/prefix
export PQ_FORCE_XVFB=1
wine_run() { cmake/wine-run "$prefix" "$@"; }
windows_path() { echo "Z:${1//\//\\}"; } # the Unix root is drive Z:
host_pid=
# Ending the prefix's server ends whatever still runs in it, the host too.
cleanup() {
  cmake/wine-run "$prefix" --stop >/dev/null 2>&1 || true
  [[ -n $host_pid ]] && wait "$host_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "preview: preparing a Wine prefix"
wine_run cmd /c ver >/dev/null

# The installer's part, as an installation does it.
stem=$(basename "$config")
stem=${stem%.*}
config_dir=$(dirname "$config")
name=$(wine_run "$check" --toolbar-name "$(windows_path "$config")" | tr -d '\r' | tail -n 1) || name=
if [[ -z $name ]]; then
  echo "preview: the configuration has no \"Toolbar Name\"; using $stem" >&2
  name=$stem
fi
install_dir="C:\\Program Files\\$name"
unix_install_dir="$prefix/drive_c/Program Files/$name"
mkdir -p "$unix_install_dir"
cp "$config" "$unix_install_dir/$stem.ini"
cp "$dll" "$unix_install_dir/"
# Windows finds the side files in any letter case.
banner=$(find "$config_dir" -maxdepth 1 -iname "$stem.bmp" -print -quit)
notice=$(find "$config_dir" -maxdepth 1 -iname "Copyrights.txt" -print -quit)
[[ -n $banner ]] && cp "$banner" "$unix_install_dir/$stem.bmp"
[[ -n $notice ]] && cp "$notice" "$unix_install_dir/Copyrights.txt"
animation_name=$(sed -n 's/^Banner Animation=\(.*\)$/\1/p' "$config" | tr -d '\r' | tail -n 1)
if [[ -n $animation_name && $animation_name != */* && $animation_name != *\\* ]]; then
  animation=$(find "$config_dir" -maxdepth 1 -iname "$animation_name" -print -quit)
  [[ -n $animation ]] && cp "$animation" "$unix_install_dir/$animation_name"
fi
band_id=$(sed -n 's/.*kBandClassId\[\] = "\({[^}]*}\)".*/\1/p' src/config/band_identity.h)
band_key="HKLM\\SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\$band_id"
wine_run reg add "$band_key" /v InstallPath /d "$install_dir" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar Name" /d "$name" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar File" /d "$stem" /f /reg:64 >/dev/null
# The picture shows an animated banner's first frame: the prefix's user has
# turned off animations inside windows (bit 0x02 of the mask's fifth byte,
# else Wine's defaults).
wine_run reg add "HKCU\\Control Panel\\Desktop" /v UserPreferencesMask /t REG_BINARY \
  /d 3000028010000000 /f >/dev/null
if [[ -n $dpi ]]; then
  wine_run reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi
wine_run regsvr32 /s "$install_dir\\Pelliquester.dll" ||
  { echo "preview: regsvr32 failed to register Pelliquester.dll" >&2; exit 1; }

# A menu or the About box: the toolbar window alone, in a process that opens
# them and pictures the screen around it, menus and dialogs included.
if [[ -n $open || -n $about || -n $width ]]; then
  scene=normal
  [[ -n $open ]] && scene=open
  [[ -n $about ]] && scene=about
  args=(--installed)
  [[ -n $width ]] && args+=(--width "$width")
  [[ -n $open ]] && args+=(--open "$open")
  echo "preview: showing $name${open:+ with $open open}${about:+ with its About box}${width:+, $width pixels wide}${dpi:+ at $dpi DPI}"
  status=0
  timeout 90 "$root/cmake/wine-run" "$prefix" "$alone" "$scene" "$install_dir" "$stem" \
    "$(windows_path "$work/shot.bmp")" "${args[@]}" || status=$?
  [[ -f $work/shot.bmp ]] || { echo "preview: no picture was taken" >&2; exit 1; }
  convert "$work/shot.bmp" "$out"
  if ((status != 0)); then
    echo "preview: the toolbar did not show what was asked; the screen as it was is in $out" >&2
    exit 1
  fi
  echo "preview: $(identify -format '%w by %h pixels' "$out"): $out"
  exit 0
fi

# The picture is taken once the band is shown and three shots in a row are
# alike (the window has finished painting). The host would close itself after
# a while; the prefix is thrown away before that.
log=$work/host.log
shot=$work/shot.png
host_ms=30000
echo "preview: showing $name in the band host${dpi:+ at $dpi DPI}"
wine_run "$host" --log "$(windows_path "$log")" --exit-after "$host_ms" >/dev/null &
host_pid=$!
display=
deadline=$((SECONDS + host_ms / 1000))
display=$(cat "$prefix.state/display")
until [[ -s $log ]] && grep -q 'host: ShowDW(TRUE)' "$log"; do
  if ((SECONDS >= deadline)) || ! kill -0 "$host_pid" 2>/dev/null; then
    # A message box of the toolbar's own may be what holds it up: the whole
    # screen shows it.
    DISPLAY=$display import -window root "$out" 2>/dev/null || true
    echo "preview: the band host did not show the toolbar; the screen is in $out; the host's log:" >&2
    sed 's/^/  /' "$log" >&2 2>/dev/null || true
    exit 1
  fi
  sleep 0.2
done
window=
until [[ -n $window ]]; do
  window=$(DISPLAY=$display xwininfo -root -tree | awk '/"Band host"/ { print $1; exit }')
  ((SECONDS < deadline)) || { echo "preview: the band host's window was not found" >&2; exit 1; }
  [[ -n $window ]] || sleep 0.2
done
previous= alike=0
while ((alike < 2)); do
  ((SECONDS < deadline)) || { echo "preview: the band host's window did not settle" >&2; exit 1; }
  DISPLAY=$display import -window "$window" "$shot"
  sum=$(convert "$shot" rgb:- | md5sum)
  if [[ $sum == "$previous" ]]; then alike=$((alike + 1)); else alike=0; fi
  previous=$sum
  sleep 0.3
done
cp "$shot" "$out"
echo "preview: $(identify -format '%w by %h pixels' "$out"): $out"

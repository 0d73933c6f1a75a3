#!/usr/bin/env bash
# Makes the Windows installer of a configured toolbar with NSIS: the x86_64 and
# i686 DLLs, the configuration, and the banner, notice file and animated banner
# found beside it.
#   make_installer.sh [--from DIR] CONFIG.ini [--toolbar-name NAME] [--output SETUP.exe]
# Without --toolbar-name the configuration is checked first (no installer for a
# configuration with errors) and the name is the one the toolbar reads. File
# names are taken relative to DIR (default: the current directory). The
# installer goes to build/installer/NAME-setup.exe unless --output says else.
# Called by `./run installer` after the builds.
set -euo pipefail
usage() {
  echo "usage: ./run installer CONFIG.ini" >&2
  exit 2
}
caller=$PWD
config= name= output=
while (($#)); do
  case $1 in
    --from | --toolbar-name | --output)
      [[ $# -ge 2 ]] || usage
      case $1 in
        --from) caller=$2 ;;
        --toolbar-name) name=$2 ;;
        --output) output=$2 ;;
      esac
      shift 2
      ;;
    -*) usage ;;
    *)
      [[ -z $config ]] || usage
      config=$1
      shift
      ;;
  esac
done
[[ -n $config ]] || usage
cd "$(dirname "$0")/../.."
root=$PWD
absolute() { if [[ $1 == /* ]]; then echo "$1"; else echo "$caller/$1"; fi; }
config=$(absolute "$config")
[[ -f $config ]] || { echo "installer: there is no file $config" >&2; exit 2; }

dll64=$root/build/win64/src/band/Pelliquester.dll
dll32=$root/build/win32/src/band/Pelliquester.dll
for file in "$dll64" "$dll32"; do
  [[ -f $file ]] || { echo "installer: $file is missing; build the win64 and win32 presets first" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "installer: makensis is missing (Debian package nsis)" >&2; exit 1; }

if [[ -z $name ]]; then
  check=$root/build/native/tools/check/pqcheck
  [[ -x $check ]] || { echo "installer: $check is missing; build the native preset first" >&2; exit 1; }
  if ! "$check" "$config" >&2; then
    echo "installer: the configuration has errors; no installer was made" >&2
    exit 1
  fi
  name=$("$check" --toolbar-name "$config")
fi

stem=$(basename "$config")
stem=${stem%.*}
config_dir=$(dirname "$config")
# Windows finds the side files in any letter case; so does the installer.
banner=$(find "$config_dir" -maxdepth 1 -iname "$stem.bmp" -print -quit)
notice=$(find "$config_dir" -maxdepth 1 -iname "Copyrights.txt" -print -quit)
# The animated banner the configuration names, a file name beside it.
animation_name=$(sed -n 's/^Banner Animation=\(.*\)$/\1/p' "$config" | tr -d '\r' | tail -n 1)
animation=
if [[ -n $animation_name && $animation_name != */* && $animation_name != *\\* ]]; then
  animation=$(find "$config_dir" -maxdepth 1 -iname "$animation_name" -print -quit)
fi
[[ -n $output ]] || output=$root/build/installer/$name-setup.exe
output=$(absolute "$output")
mkdir -p "$(dirname "$output")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What is shipped carries no debugging information.
mkdir -p "$work/x86_64" "$work/i686"
x86_64-w64-mingw32-strip -o "$work/x86_64/Pelliquester.dll" "$dll64"
i686-w64-mingw32-strip -o "$work/i686/Pelliquester.dll" "$dll32"
dll64=$work/x86_64/Pelliquester.dll
dll32=$work/i686/Pelliquester.dll
log=$work/makensis.log
# "$" starts a variable in NSIS text: a literal one is "$$".
nsis_text() { printf '%s' "${1//\$/\$\$}"; }
defines=(
  "-DTOOLBAR_NAME=$(nsis_text "$name")"
  "-DTOOLBAR_FILE=$(nsis_text "$stem")"
  "-DCONFIG=$(nsis_text "$config")"
  "-DDLL64=$(nsis_text "$dll64")"
  "-DDLL32=$(nsis_text "$dll32")"
  "-DOUTFILE=$(nsis_text "$output")"
)
[[ -n $banner ]] && defines+=("-DBANNER=$(nsis_text "$banner")")
[[ -n $notice ]] && defines+=("-DNOTICE=$(nsis_text "$notice")")
[[ -n $animation ]] && defines+=("-DANIMATION=$(nsis_text "$animation")"
                                 "-DANIMATION_NAME=$(nsis_text "$animation_name")")

if ! makensis -V2 -NOCD "${defines[@]}" tools/installer/toolbar.nsi >"$log" 2>&1; then
  cat "$log" >&2
  echo "installer: makensis failed" >&2
  exit 1
fi
echo "$output"

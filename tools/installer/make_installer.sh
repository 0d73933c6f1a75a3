#!/usr/bin/env bash
# Makes the Windows installer of a configured toolbar: the x86_64 and i686
# DLLs, the configuration, the banner, notice file and animated banner found
# beside it, and the toolbar's icon; with NSIS, or with --msi a Windows Installer package (wixl).
#   make_installer.sh [--from DIR] CONFIG.ini [--msi] [--toolbar-name NAME
#       [--company TEXT] [--config-version N]] [--output FILE]
#       [--sign CERT.pfx [--password-file FILE] [--timestamp URL]]
# Without --toolbar-name the configuration is checked first (no installer for a
# configuration with errors) and the name, company and version are the ones
# the toolbar reads. File names are taken relative to DIR (default: the
# current directory). The installer goes to build/installer/NAME-setup.exe or
# NAME.msi (blanks in NAME made "-") unless --output says else.
# --sign signs copies of the DLLs and of pqcheck.exe (put beside the
# installer), then the installer, with Authenticode (SHA-256) by osslsigncode;
# the build's own files stay as they are.
# Called by `./run installer` and `./run msi` after the builds.
set -euo pipefail
usage() {
  echo "usage: ./run installer CONFIG.ini [--sign CERT.pfx [--password-file FILE] [--timestamp URL]]" >&2
  echo "       ./run msi CONFIG.ini [--sign CERT.pfx [--password-file FILE] [--timestamp URL]]" >&2
  exit 2
}
caller=$PWD
config= name= company= version= output= msi=0 cert= password_file= timestamp=
while (($#)); do
  case $1 in
    --from | --toolbar-name | --company | --config-version | --output | --sign | --password-file | --timestamp)
      [[ $# -ge 2 ]] || usage
      case $1 in
        --from) caller=$2 ;;
        --toolbar-name) name=$2 ;;
        --company) company=$2 ;;
        --config-version) version=$2 ;;
        --output) output=$2 ;;
        --sign) cert=$2 ;;
        --password-file) password_file=$2 ;;
        --timestamp) timestamp=$2 ;;
      esac
      shift 2
      ;;
    --msi) msi=1; shift ;;
    -*) usage ;;
    *)
      [[ -z $config ]] || usage
      config=$1
      shift
      ;;
  esac
done
[[ -n $config ]] || usage
[[ -n $cert || (-z $password_file && -z $timestamp) ]] || usage
cd "$(dirname "$0")/../.."
root=$PWD
absolute() { if [[ $1 == /* ]]; then echo "$1"; else echo "$caller/$1"; fi; }
config=$(absolute "$config")
[[ -f $config ]] || { echo "installer: there is no file $config" >&2; exit 2; }
if [[ -n $cert ]]; then
  cert=$(absolute "$cert")
  [[ -f $cert ]] || { echo "installer: there is no certificate $cert" >&2; exit 2; }
  if [[ -n $password_file ]]; then
    password_file=$(absolute "$password_file")
    [[ -f $password_file ]] || { echo "installer: there is no file $password_file" >&2; exit 2; }
  fi
  command -v osslsigncode >/dev/null || { echo "installer: osslsigncode is missing (Debian package osslsigncode)" >&2; exit 1; }
fi

dll64=$root/build/win64/src/band/Pelliquester.dll
dll32=$root/build/win32/src/band/Pelliquester.dll
checker64=$root/build/win64/tools/check/pqcheck.exe
needed=("$dll64" "$dll32")
[[ -n $cert ]] && needed+=("$checker64")
for file in "${needed[@]}"; do
  [[ -f $file ]] || { echo "installer: $file is missing; build the win64 and win32 presets first" >&2; exit 1; }
done
if ((msi)); then
  command -v wixl >/dev/null || { echo "installer: wixl is missing (Debian package wixl)" >&2; exit 1; }
else
  command -v makensis >/dev/null || { echo "installer: makensis is missing (Debian package nsis)" >&2; exit 1; }
fi

if [[ -z $name ]]; then
  check=$root/build/native/tools/check/pqcheck
  [[ -x $check ]] || { echo "installer: $check is missing; build the native preset first" >&2; exit 1; }
  echo "Checking $(basename "$config")" >&2
  # The findings and their count are shown; the item tree too when there are errors.
  if ! findings=$("$check" "$config"); then
    printf '%s\n' "$findings" >&2
    echo "installer: the configuration has errors; no installer was made" >&2
    exit 1
  fi
  printf '%s\n' "$findings" | grep -E ': (error|warning|note): |^[0-9]+ errors, ' | sed 's/^/  /' >&2
  while IFS='=' read -r key value; do
    case $key in
      "Toolbar Name") name=$value ;;
      "Company Name") company=$value ;;
      "Config Version") version=$value ;;
      "Banner Animation") animation_name=$value; animation_read=1 ;;
    esac
  done < <("$check" --installer-values "$config")
fi

stem=$(basename "$config")
stem=${stem%.*}
config_dir=$(dirname "$config")
# Windows finds the side files in any letter case; so does the installer.
banner=$(find "$config_dir" -maxdepth 1 -iname "$stem.bmp" -print -quit)
notice=$(find "$config_dir" -maxdepth 1 -iname "Copyrights.txt" -print -quit)
# The animated banner the configuration names, a file name beside it: as the
# toolbar reads it (any encoding) when the check ran, else from the plain text.
if [[ -z ${animation_read-} ]]; then
  animation_name=$(sed -n 's/^Banner Animation=\(.*\)$/\1/p' "$config" | tr -d '\r' | tail -n 1)
fi
animation=
if [[ -n $animation_name && $animation_name != */* && $animation_name != *\\* ]]; then
  animation=$(find "$config_dir" -maxdepth 1 -iname "$animation_name" -print -quit)
fi
# A file name without blanks passes through scripts and command lines unquoted.
file_name=$(printf '%s' "$name" | tr -s '[:blank:]' '-')
if ((msi)); then default_output=$file_name.msi; else default_output=$file_name-setup.exe; fi
[[ -n $output ]] || output=$root/build/installer/$default_output
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
# The entry in the list of installed programs shows the toolbar's magnifier
# (image 8 of the icon strip).
icon=$work/Pelliquester.ico
convert "$root/assets/icons.bmp" -crop 16x16+128+0 +repage \( -clone 0 -scale 32x32 \) "$icon"

sign() { tools/installer/sign_file.sh "$@"; }
export PQ_SIGN_CERT=$cert PQ_SIGN_NAME=$name PQ_SIGN_PASSWORD_FILE=$password_file PQ_SIGN_TIMESTAMP=$timestamp
if [[ -n $cert ]]; then
  echo "Signing the DLLs and pqcheck.exe" >&2
  sign "$dll64"
  sign "$dll32"
  x86_64-w64-mingw32-strip -o "$work/pqcheck.exe" "$checker64"
  sign "$work/pqcheck.exe" "$(dirname "$output")/pqcheck.exe"
fi

log=$work/package.log
if ((msi)); then
  echo "Making the Windows Installer package with wixl" >&2
  # wixl takes the files' names relative to where it runs: all of them are
  # put in one directory first.
  staged=$work/msi
  mkdir -p "$staged"
  ln -s "$config" "$staged/config.ini"
  ln -s "$dll64" "$staged/Pelliquester64.dll"
  ln -s "$dll32" "$staged/Pelliquester32.dll"
  ln -s "$icon" "$staged/Pelliquester.ico"
  wxs_args=(--name "$name" --file "$stem" --company "$company" --config config.ini
    --dll64 Pelliquester64.dll --dll32 Pelliquester32.dll --icon Pelliquester.ico
    --output toolbar.wxs --queries "$work/queries.sql")
  [[ -n $version ]] && wxs_args+=(--version "$version")
  [[ -n $banner ]] && { ln -s "$banner" "$staged/banner.bmp"; wxs_args+=(--banner banner.bmp); }
  [[ -n $notice ]] && { ln -s "$notice" "$staged/notice.txt"; wxs_args+=(--notice notice.txt); }
  [[ -n $animation ]] && { ln -s "$animation" "$staged/animation.gif"
                           wxs_args+=(--animation animation.gif --animation-name "$animation_name"); }
  (cd "$staged" && python3 "$root/tools/installer/toolbar_wxs.py" "${wxs_args[@]}")
  queries=()
  while IFS= read -r query; do queries+=(-q "$query"); done <"$work/queries.sql"
  if ! { (cd "$staged" && wixl -a x64 -o "$work/package.msi" toolbar.wxs) &&
    msibuild "$work/package.msi" "${queries[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "installer: wixl failed" >&2
    exit 1
  fi
  package=$work/package.msi
else
  echo "Making the installer with NSIS" >&2
  # "$" starts a variable in NSIS text: a literal one is "$$".
  nsis_text() { printf '%s' "${1//\$/\$\$}"; }
  defines=(
    "-DTOOLBAR_NAME=$(nsis_text "$name")"
    "-DTOOLBAR_FILE=$(nsis_text "$stem")"
    "-DCOMPANY=$(nsis_text "$company")"
    "-DCONFIG=$(nsis_text "$config")"
    "-DDLL64=$(nsis_text "$dll64")"
    "-DDLL32=$(nsis_text "$dll32")"
    "-DICON=$(nsis_text "$icon")"
    "-DOUTFILE=$(nsis_text "$work/setup.exe")"
  )
  [[ -n $version ]] && defines+=("-DVERSION=$(nsis_text "$version")")
  [[ -n $banner ]] && defines+=("-DBANNER=$(nsis_text "$banner")")
  [[ -n $notice ]] && defines+=("-DNOTICE=$(nsis_text "$notice")")
  [[ -n $animation ]] && defines+=("-DANIMATION=$(nsis_text "$animation")"
                                   "-DANIMATION_NAME=$(nsis_text "$animation_name")")
  # The uninstaller is written into the installer by makensis: it is signed
  # there, before the installer itself.
  [[ -n $cert ]] && defines+=("-DSIGN_UNINSTALLER=$(nsis_text "$root/tools/installer/sign_file.sh")")
  if ! makensis -V2 -NOCD "${defines[@]}" tools/installer/toolbar.nsi >"$log" 2>&1; then
    cat "$log" >&2
    echo "installer: makensis failed" >&2
    exit 1
  fi
  package=$work/setup.exe
fi
if [[ -n $cert ]]; then
  echo "Signing the installer" >&2
  sign "$package" "$output"
else
  mv "$package" "$output"
fi
echo "$output"

#!/usr/bin/env bash
# Makes a delay-load import library from mingw-w64's import library of a
# system DLL: the DLL is loaded when one of its functions is first called,
# not with the module that imports it.
#   delay-import-lib.sh TRIPLE IMPORT_LIBRARY DLL_NAME OUTPUT
# The exports are those the import library names; on i686 their stdcall
# decorations stay on the symbols and are cut from the names looked up.
set -euo pipefail
triple=$1 import_library=$2 dll=$3 output=$4
case $triple in
  i686-*) prefix=__imp__ kill_at=-k ;;
  *) prefix=__imp_ kill_at= ;;
esac
def=$output.def
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$triple-nm" -g "$import_library" |
    awk -v p="$prefix" '$2 == "I" && index($3, p) == 1 { print substr($3, length(p) + 1) }' |
    sort -u
} > "$def"
rm -f "$output"
"$triple-dlltool" -d "$def" -y "$output" -D "$dll" $kill_at

#!/usr/bin/env bash
# Makes or removes the directories of the update test that nobody may write:
#   locked_dirs.sh lock|unlock DIR
# "install" holds an installed configuration; "user" stays empty. Where the
# file system or the user cannot lock them, they stay writable and the test
# says it skipped.
set -uo pipefail
dir=$2
case $1 in
  lock)
    [[ -d $dir ]] && chattr -R -i "$dir" 2>/dev/null
    rm -rf "$dir"
    mkdir -p "$dir/install" "$dir/user"
    printf '[Options]\r\nToolbar Name=MyBar\r\nCompany Name=Old\r\n' >"$dir/install/MyBar.ini"
    chattr +i "$dir/install" "$dir/user" 2>/dev/null || echo "could not lock $dir: the test skips"
    exit 0
    ;;
  unlock)
    [[ -d $dir ]] && chattr -R -i "$dir" 2>/dev/null
    rm -rf "$dir"
    ;;
esac

#!/usr/bin/env bash
# The publisher's signing commands as he meets them: keygen run again keeps
# the key and prints its line; sign names the two files to publish and the
# addresses they go to, and its signature verifies.
set -uo pipefail
signing=$1/tools/signing.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
expect() {  # expect WHAT ACTUAL EXPECTED
  if [[ $2 != "$3" ]]; then
    echo "FAIL: $1"
    echo "  expected: $3"
    echo "  actual:   $2"
    failures=$((failures + 1))
  fi
}

first=$("$signing" keygen k.pem 2>/dev/null)
expect "keygen prints the line" "${first%%=*}" "Update Key"
key_before=$(cat k.pem)
again=$("$signing" keygen k.pem 2>again.err)
expect "keygen run again succeeds" "$?" "0"
expect "keygen run again prints the same line" "$again" "$first"
expect "keygen run again keeps the key" "$(cat k.pem)" "$key_before"
grep -q "k.pem exists and is kept" again.err
expect "keygen run again names the key" "$?" "0"

printf '[Options]\r\nToolbar Name=X\r\nConfig Version=3\r\nUpdates URL=http://127.0.0.1:9/bar\r\n%s\r\n' \
  "$first" > My.ini
printf '[Options]\r\nToolbar Name=X\r\nConfig Version=3\r\n' > Bare.ini
while IFS='|' read -r file lines; do
  out=$("$signing" sign "$file" --key k.pem 2>/dev/null)
  expect "sign $file succeeds" "$?" "0"
  expect "sign $file says what to publish where" "$out" "$(printf "$lines")"
  openssl dgst -sha256 -verify <(openssl pkey -in k.pem -pubout 2>/dev/null) \
    -signature "$file.sig" "$file" >/dev/null
  expect "the signature of $file verifies" "$?" "0"
done <<'CASES'
My.ini|My.ini.sig\nPublish both, unchanged and side by side:\n  My.ini      as http://127.0.0.1:9/bar/toolbar.ini\n  My.ini.sig  as http://127.0.0.1:9/bar/toolbar.ini.sig
Bare.ini|Bare.ini.sig\nPublish both, unchanged and side by side:\n  Bare.ini      as toolbar.ini, at the "Updates URL" of the installed configuration\n  Bare.ini.sig  as toolbar.ini.sig, beside it
CASES

echo "$failures failed"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# Signs both installers of the sample toolbar with a throw-away self-signed
# certificate made by `./run keygen --code-signing`, the package with a
# time-stamp of a loopback time-stamp server, checks every signature with
# osslsigncode, and runs the system's own trust check of them under Wine
# (trust_test), in a prefix of its own that is thrown away afterwards.
#   run_signing_test.sh TRUST_TEST.exe
# ctest's entry of the win64 build; the i686 DLL comes from the win32 build
# beside it.
set -euo pipefail
test_exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
windows_path() { echo "Z:${1//\//\\}"; } # the Unix root is drive Z:

work=$(mktemp -d "${TMPDIR:-/tmp}/pq-signing-test.XXXXXX")
prefix=$work/prefix
export PQ_FORCE_XVFB=1
server=
cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  "$root/cmake/wine-run" "$prefix" --stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

cd "$work"
printf 'a throw-away password\n' >password
"$root/tools/installer/code_signing_cert.sh" test.pfx --password-file password >/dev/null 2>&1
"$root/tools/installer/code_signing_cert.sh" other.pfx >/dev/null 2>&1
openssl x509 -inform DER -in test.cer -out test.pem
openssl x509 -inform DER -in other.cer -out other.pem
# A certificate is never overwritten.
before=$(sha256sum test.pfx test.cer)
if "$root/tools/installer/code_signing_cert.sh" test.pfx >/dev/null 2>&1; then
  fail "keygen --code-signing made a certificate over one that was there"
fi
[[ $(sha256sum test.pfx test.cer) == "$before" ]] || fail "keygen --code-signing changed the certificate"

# The time-stamp server's own certificate, for time-stamping only.
source "$root/tests/installer/time_stamp_authority.sh"
make_time_stamp_authority
python3 "$root/tests/installer/time_stamp_server.py" tsa tsa/port &
server=$!
for _ in $(seq 100); do [[ -s tsa/port ]] && break; sleep 0.1; done
[[ -s tsa/port ]] || { echo "the time-stamp server did not start" >&2; exit 1; }
built=$(sha256sum <"$root/build/win64/src/band/Pelliquester.dll")
cp "$root/samples/SampleBar.ini" "$root/samples/SampleBar.bmp" .
values=(--toolbar-name SampleBar --company "Example Publishing" --config-version 1)
# The certificate's password is needed: without it there is no signing.
if "$root/tools/installer/make_installer.sh" SampleBar.ini "${values[@]}" --sign test.pfx \
  --output nopassword/setup.exe >/dev/null 2>&1; then
  fail "signing succeeded without the certificate's password"
fi
"$root/tools/installer/make_installer.sh" SampleBar.ini "${values[@]}" --sign test.pfx \
  --password-file password --output nsis/setup.exe >/dev/null
"$root/tools/installer/make_installer.sh" SampleBar.ini "${values[@]}" --msi --sign test.pfx \
  --password-file password --timestamp "http://127.0.0.1:$(cat tsa/port)" \
  --output msi/package.msi >/dev/null
"$root/tools/installer/make_installer.sh" SampleBar.ini "${values[@]}" --msi \
  --output unsigned/package.msi >/dev/null
(cd msi && msiextract package.msi >/dev/null)

# Files by what osslsigncode is to say of them.
trust=$work/trust
mkdir -p "$trust"
cp nsis/setup.exe nsis/pqcheck.exe msi/package.msi "$trust/"
cp "$(find msi -name Pelliquester.dll)" "$(find msi -name Pelliquester32.dll)" "$trust/"
cp unsigned/package.msi "$trust/unsigned.msi"
cp "$root/build/win64/src/band/Pelliquester.dll" "$trust/unsigned.dll"
# One byte of the code changed after signing.
cp "$trust/Pelliquester.dll" "$trust/tampered.dll"
printf 'X' | dd of="$trust/tampered.dll" bs=1 seek=4096 conv=notrunc 2>/dev/null
cp "$trust/package.msi" "$trust/tampered.msi"
printf 'X' | dd of="$trust/tampered.msi" bs=1 seek=65536 conv=notrunc 2>/dev/null

verify() {  # FILE CA.pem
  osslsigncode verify -CAfile "$2" -TSA-CAfile tsa/tsa.pem -in "$1" >"$work/verify.log" 2>&1
}
for file in Pelliquester.dll Pelliquester32.dll pqcheck.exe setup.exe package.msi; do
  verify "$trust/$file" test.pem || { fail "$file does not verify"; cat "$work/verify.log" >&2; }
  grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "$file is not signed with SHA-256"
  verify "$trust/$file" other.pem && fail "$file verifies with a certificate it was not signed with"
done
# The package and the files in it carry the server's time-stamp; the NSIS
# installer, made without one, none.
for file in package.msi Pelliquester.dll Pelliquester32.dll setup.exe; do
  verify "$trust/$file" test.pem
  if [[ $file == setup.exe ]]; then
    grep -q 'Timestamp is not available' "$work/verify.log" || fail "$file has a time-stamp"
  else
    grep -q 'Timestamp Server Signature verification: ok' "$work/verify.log" ||
      fail "$file has no valid time-stamp"
  fi
done
for file in unsigned.dll unsigned.msi tampered.dll tampered.msi; do
  verify "$trust/$file" test.pem && fail "$file verifies"
done
# The build's own DLL is left as it was built: its copy was signed.
[[ $(sha256sum <"$root/build/win64/src/band/Pelliquester.dll") == "$built" ]] ||
  fail "signing changed the build's DLL"

"$root/cmake/wine-run" "$prefix" "$test_exe" "--dir=$(windows_path "$trust")" || failures=$((failures + 1))
# The uninstaller that the NSIS installer writes was signed inside it.
"$root/cmake/wine-run" "$prefix" "$(windows_path "$work/nsis/setup.exe")" /S
verify "$prefix/drive_c/Program Files/SampleBar/Uninstall.exe" test.pem || fail "Uninstall.exe does not verify"
if ((failures)); then
  echo "$failures failures" >&2
  exit 1
fi
echo "signing: every signature checked"

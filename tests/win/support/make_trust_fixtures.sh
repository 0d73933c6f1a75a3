#!/usr/bin/env bash
# The keys, signed updates and certificates of the Windows tests of updates,
# made anew in each build tree, never committed:
#   make_trust_fixtures.sh OUTDIR
# Signing keys and signatures come from the publisher's own tool, so that the
# tests prove what it makes is what the toolbar accepts. Certificates: a test
# authority that a test installs into the prefix's trusted roots, a server
# certificate from it for localhost, one from it for another name, and one
# from an authority that is never trusted.
set -euo pipefail
out=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
signing=$root/tools/signing.sh
rm -rf "$out.new"
mkdir -p "$out.new"
cd "$out.new"

key_a=$("$signing" keygen a.pem 2>/dev/null)
key_b=$("$signing" keygen b.pem 2>/dev/null)
config() {  # NAME COMPANY KEY-LINE [VERSION]
  printf '[Options]\r\nToolbar Name=MyBar\r\nCompany Name=%s\r\nConfig Version=%s\r\n%s' \
    "$2" "${4:-2}" "${3:+$3$'\r\n'}" >"$1"
}
config installed.ini Old "$key_a" 1
config update.ini New "$key_a"
config other.ini Other "$key_a"
config dropped.ini Dropped ""
config replaced.ini Replaced "$key_b"
config rotated.ini Rotated "$key_b"
config replayed.ini Replayed "$key_a" 1
cp dropped.ini dropped-by-a.ini
sign() { "$signing" sign "$1" --key "$2" >/dev/null 2>&1; }
sign update.ini a.pem
sign other.ini a.pem
sign dropped.ini b.pem
sign replaced.ini b.pem
sign rotated.ini a.pem
sign replayed.ini a.pem
sign dropped-by-a.ini a.pem
# A signature with a bit of s changed: still well-formed, no longer valid.
python3 - <<'PY'
data = bytearray(open("update.ini.sig", "rb").read())
data[-1] ^= 0x01
open("tampered.sig", "wb").write(bytes(data))
PY

quiet() { "$@" >/dev/null 2>&1; }
authority() {  # NAME SUBJECT
  quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
    -keyout "$1-ca.key" -out "$1-ca.pem" -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}
server() {  # NAME AUTHORITY HOST
  quiet openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
    -keyout "$1.key" -out "$1.csr" -subj "/CN=$3"
  printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$3" >"$1.ext"
  quiet openssl x509 -req -in "$1.csr" -CA "$2-ca.pem" -CAkey "$2-ca.key" -CAcreateserial \
    -days 3650 -out "$1.pem" -extfile "$1.ext"
  rm -f "$1.csr" "$1.ext"
}
authority test "Pelliquester Test Authority $$"
authority stranger "Pelliquester Stranger Authority $$"
server trusted test localhost
server wrong-name test elsewhere.example
server untrusted stranger localhost
openssl x509 -in test-ca.pem -outform DER -out test-ca.der

cd ..
rm -rf "$out"
mv "$out.new" "$out"

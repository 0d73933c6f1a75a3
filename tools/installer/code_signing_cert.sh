#!/usr/bin/env bash
# A self-signed code signing certificate, for trying `./run installer --sign`
# and `./run msi --sign` before a certificate authority has issued a real one.
#   code_signing_cert.sh [--from DIR] [CERT.pfx] [--password-file FILE]
# Writes CERT.pfx (default code-signing.pfx): an RSA key and its certificate,
# usable for code signing only, valid for a year; protected with the password
# in FILE, else with none. Writes the certificate alone beside it (CERT.cer,
# DER) for a test machine's trusted certificates. Never overwrites either.
# File names are taken relative to DIR (default: the current directory).
# Called by `./run keygen --code-signing`.
set -euo pipefail
usage() {
  echo "usage: ./run keygen --code-signing [CERT.pfx] [--password-file FILE]" >&2
  exit 2
}
pfx= password_file=
while (($#)); do
  case $1 in
    --from) [[ $# -ge 2 ]] || usage; cd "$2"; shift 2 ;;
    --password-file) [[ $# -ge 2 ]] || usage; password_file=$2; shift 2 ;;
    -*) usage ;;
    *) [[ -z $pfx ]] || usage; pfx=$1; shift ;;
  esac
done
pfx=${pfx:-code-signing.pfx}
cer=${pfx%.*}.cer
for file in "$pfx" "$cer"; do
  [[ ! -e $file ]] || { echo "$file exists; it is not overwritten" >&2; exit 1; }
done
if [[ -n $password_file ]]; then
  [[ -f $password_file ]] || { echo "there is no file $password_file" >&2; exit 2; }
  password=(-passout "file:$password_file")
else
  password=(-passout pass:)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:3072 -sha256 -days 365 -nodes -keyout "$work/key.pem" \
  -out "$work/cert.pem" -subj "/CN=Pelliquester test code signing" \
  -addext "basicConstraints=critical,CA:FALSE" \
  -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
(umask 077 && openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" \
  -name "Pelliquester test code signing" -out "$pfx" "${password[@]}")
openssl x509 -in "$work/cert.pem" -outform DER -out "$cer"
cat >&2 <<MSG
The code signing certificate and its private key are in $pfx, the certificate
alone in $cer. It is self-signed: Windows trusts what it signs only on a
machine where $cer was added to the trusted root and trusted publisher
certificates. Use it for trying signing, never for what you publish.
MSG
echo "$pfx"

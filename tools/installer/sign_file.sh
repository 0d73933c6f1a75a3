#!/usr/bin/env bash
# Signs a Windows program, DLL or installer package with Authenticode (SHA-256)
# by osslsigncode, in place or into OUT.
#   sign_file.sh IN [OUT]
# The certificate and what goes with it come from the environment, so that
# makensis can run this on the uninstaller it writes:
#   PQ_SIGN_CERT           the certificate and its private key, PKCS#12 (.pfx)
#   PQ_SIGN_NAME           the description shown with the signature
#   PQ_SIGN_PASSWORD_FILE  the file holding the .pfx's password (none: no password)
#   PQ_SIGN_TIMESTAMP      an RFC 3161 time-stamp address (none: no time-stamp);
#                          a time-stamp keeps the signature valid after the
#                          certificate has expired
set -euo pipefail
in=$1
out=${2:-$1}
args=(sign -pkcs12 "$PQ_SIGN_CERT" -h sha256 -n "${PQ_SIGN_NAME:-}")
[[ -n ${PQ_SIGN_PASSWORD_FILE:-} ]] && args+=(-readpass "$PQ_SIGN_PASSWORD_FILE")
[[ -n ${PQ_SIGN_TIMESTAMP:-} ]] && args+=(-ts "$PQ_SIGN_TIMESTAMP")
signed=$(mktemp "$(dirname "$out")/.signing.XXXXXX")
trap 'rm -f "$signed"' EXIT
# osslsigncode writes a new file; the result replaces OUT whole.
rm -f "$signed"
if ! log=$(osslsigncode "${args[@]}" -in "$in" -out "$signed" 2>&1); then
  printf '%s\n' "$log" >&2
  echo "signing $(basename "$in") failed" >&2
  exit 1
fi
mv "$signed" "$out"

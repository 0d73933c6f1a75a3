#!/usr/bin/env bash
# The publisher's signing key for configuration updates, and the signatures
# made with it, with Debian's openssl.
#   signing.sh [--from DIR] keygen [KEY.pem]
#       makes a P-256 private key (default update-key.pem), refusing to
#       overwrite one, and prints the "Update Key=" line for [Options]
#   signing.sh [--from DIR] sign CONFIG.ini [--key KEY.pem]
#       writes CONFIG.ini.sig: the DER ECDSA signature of the file's SHA-256
# File names are taken relative to DIR (default: the current directory).
# Called by `./run keygen` and `./run sign`; the tests make their keys with it.
set -euo pipefail
usage() {
  echo "usage: ./run keygen [KEY.pem]" >&2
  echo "       ./run sign CONFIG.ini [--key KEY.pem]" >&2
  exit 2
}
if [[ ${1:-} == --from ]]; then
  [[ $# -ge 2 ]] || usage
  cd "$2"
  shift 2
fi
default_key=update-key.pem

# The "Update Key" value of a private key: its public key as base64 of the
# DER SubjectPublicKeyInfo, on one line.
update_key() {
  openssl pkey -in "$1" -pubout -outform DER | base64 -w0
}

keygen() {
  local key=${1:-$default_key}
  [[ $# -le 1 ]] || usage
  if [[ -e $key ]]; then
    echo "$key exists; it is not overwritten" >&2
    exit 1
  fi
  (umask 077 && openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$key" 2>/dev/null)
  echo "Update Key=$(update_key "$key")"
  cat >&2 <<EOF
The private key is in $key. Whoever holds it can sign updates that every
installed toolbar accepts, and without it no update can be signed any more:
keep it safe, keep a copy offline, and never put it into a repository or next
to the files you publish. Put the "Update Key=" line above into [Options].
EOF
}

sign() {
  local config= key=$default_key
  while (($#)); do
    case $1 in
      --key)
        [[ $# -ge 2 ]] || usage
        key=$2
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
  [[ -f $config ]] || { echo "$config: no such file" >&2; exit 1; }
  [[ -f $key ]] || { echo "$key: no such key (make one with ./run keygen)" >&2; exit 1; }
  openssl dgst -sha256 -sign "$key" -out "$config.sig" "$config"
  # A signature that does not verify is worse than none: it is checked here.
  openssl dgst -sha256 -verify <(openssl pkey -in "$key" -pubout 2>/dev/null) \
    -signature "$config.sig" "$config" >/dev/null
  echo "$config.sig"
  local own named
  own=$(update_key "$key")
  named=$(sed -n 's/\r$//; /^\[[Oo][Pp][Tt][Ii][Oo][Nn][Ss]\]$/,/^\[/{s/^[Uu][Pp][Dd][Aa][Tt][Ee] [Kk][Ee][Yy]=//p}' \
    "$config" | head -n 1 | tr -d ' \t')
  if [[ -z $named ]]; then
    echo "note: $config names no Update Key: once installed, it accepts unsigned updates" >&2
  elif [[ $named != "$own" ]]; then
    echo "note: $config names another Update Key than $key's: once installed, updates must be signed with that key" >&2
  fi
}

case "${1:-}" in
  keygen) keygen "${@:2}" ;;
  sign) sign "${@:2}" ;;
  *) usage ;;
esac

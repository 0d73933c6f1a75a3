#!/usr/bin/env bash
# The publisher's signing key for configuration updates, and the signatures
# made with it, with Debian's openssl.
#   signing.sh [--from DIR] keygen [KEY.pem]
#       makes a P-256 private key (default update-key.pem) and prints the
#       "Update Key=" line for [Options]; a key that exists is kept, and its
#       line printed
#   signing.sh [--from DIR] sign CONFIG.ini [--key KEY.pem]
#       writes CONFIG.ini.sig: the DER ECDSA signature of the file's SHA-256,
#       and says under which addresses to publish the two files;
#       refuses a file without a whole-number "Config Version", and one whose
#       version is not greater than what its "Updates URL" serves
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
    # Run again, it names the key it keeps and its line, which is what a
    # publisher who lost the line needs.
    local line
    line=$(update_key "$key" 2>/dev/null) || { echo "$key exists and is no private key; it is not overwritten" >&2; exit 1; }
    echo "Update Key=$line"
    echo "$key exists and is kept (not overwritten): the line above is its \"Update Key=\"" >&2
    return 0
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

# The value of a key of [Options], blanks around it removed; names are
# compared without regard to case, as the toolbar does.
option() {
  python3 - "$1" "$2" <<'PY'
import sys
section = None
with open(sys.argv[1], "rb") as f:
    for raw in f.read().decode("latin-1").splitlines():
        line = raw.rstrip("\r")
        if len(line) >= 2 and line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "options" and "=" in line:
            name, value = line.split("=", 1)
            if name.lower() == sys.argv[2].lower():
                print(value.strip(" \t"))
                break
PY
}

# Toolbars that installed what the update address serves now take this file
# only when its version is greater: say so before it is signed.
compare_with_served() {
  local config=$1 version=$2 updates served
  updates=$(option "$config" 'Updates URL')
  [[ -n $updates ]] || return 0
  served=$(python3 - "$updates/toolbar.ini" <<'PY'
import sys, urllib.request
try:
    body = urllib.request.urlopen(sys.argv[1], timeout=5).read(16 << 20)
except Exception:
    sys.exit(0)
section = None
for raw in body.decode("latin-1").splitlines():
    line = raw.rstrip("\r")
    if len(line) >= 2 and line.startswith("[") and line.endswith("]"):
        section = line[1:-1].lower()
    elif section == "options" and "=" in line:
        name, value = line.split("=", 1)
        if name.lower() == "config version":
            print(value.strip(" \t"))
            break
PY
)
  if [[ -z $served ]]; then
    echo "note: $updates/toolbar.ini gave no \"Config Version\" to compare with" >&2
  elif [[ $served =~ ^[0-9]{1,19}$ ]] && ((10#$version <= 10#$served)); then
    echo "error: $updates/toolbar.ini serves \"Config Version\" $served; toolbars that installed it refuse $config, whose version $version is not greater" >&2
    exit 1
  fi
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
  local version
  version=$(option "$config" 'Config Version')
  if [[ ! $version =~ ^[0-9]{1,19}$ ]]; then
    if [[ -z $version ]]; then
      echo "error: $config has no \"Config Version\" in [Options]" >&2
    else
      echo "error: $config has \"Config Version\" $version, which is no whole number" >&2
    fi
    echo "  toolbars with an Update Key refuse an update without one: raise it with every update you sign" >&2
    exit 1
  fi
  compare_with_served "$config" "$version"
  openssl dgst -sha256 -sign "$key" -out "$config.sig" "$config"
  # A signature that does not verify is worse than none: it is checked here.
  openssl dgst -sha256 -verify <(openssl pkey -in "$key" -pubout 2>/dev/null) \
    -signature "$config.sig" "$config" >/dev/null
  echo "$config.sig"
  local updates
  updates=$(option "$config" 'Updates URL')
  # The toolbar asks for these two names, whatever the file is called here.
  echo "Publish both, unchanged and side by side:"
  if [[ -n $updates ]]; then
    echo "  $config      as $updates/toolbar.ini"
    echo "  $config.sig  as $updates/toolbar.ini.sig"
  else
    echo "  $config      as toolbar.ini, at the \"Updates URL\" of the installed configuration"
    echo "  $config.sig  as toolbar.ini.sig, beside it"
  fi
  local own named
  own=$(update_key "$key")
  named=$(option "$config" 'Update Key')
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

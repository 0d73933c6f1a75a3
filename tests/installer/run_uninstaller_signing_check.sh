#!/usr/bin/env bash
# A time-stamp server that fails one request, the one made for the NSIS
# uninstaller (the fourth: both DLLs and pqcheck.exe come before it): the
# signed installer must then not be made, or must carry a signed uninstaller.
#   run_uninstaller_signing_check.sh
# Needs the win64 and win32 builds; installs the result under Wine in a prefix
# of its own that is thrown away afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
windows_path() { echo "Z:${1//\//\\}"; } # the Unix root is drive Z:

work=$(mktemp -d "${TMPDIR:-/tmp}/pq-uninstaller-signing.XXXXXX")
prefix=$work/prefix
export PQ_FORCE_XVFB=1
server=
cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  "$root/cmake/wine-run" "$prefix" --stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

"$root/tools/installer/code_signing_cert.sh" test.pfx >/dev/null 2>&1
openssl x509 -inform DER -in test.cer -out test.pem
source "$root/tests/installer/time_stamp_authority.sh"
make_time_stamp_authority
cat >flaky_server.py <<'PY'
import http.server, os, runpy, sys
# The real server's handler, with the fourth request refused.
sys.argv = ["time_stamp_server.py", "tsa", "tsa/port.unused"]
source = open(os.environ["TSA_SERVER"]).read().split("server = http.server.HTTPServer")[0]
space = {}
exec(compile(source, "time_stamp_server.py", "exec"), space)
count = 0
class Flaky(space["Handler"]):
    def do_POST(self):
        global count
        count += 1
        if count == 4:
            self.send_error(503, "busy")
            return
        super().do_POST()
server = http.server.HTTPServer(("127.0.0.1", 0), Flaky)
open("tsa/port.new", "w").write(str(server.server_port))
os.replace("tsa/port.new", "tsa/port")
server.serve_forever()
PY
TSA_SERVER=$root/tests/installer/time_stamp_server.py python3 flaky_server.py &
server=$!
for _ in $(seq 100); do [[ -s tsa/port ]] && break; sleep 0.1; done
[[ -s tsa/port ]] || { echo "the time-stamp server did not start" >&2; exit 1; }

cp "$root/samples/SampleBar.ini" "$root/samples/SampleBar.bmp" .
status=0
"$root/tools/installer/make_installer.sh" SampleBar.ini --toolbar-name SampleBar \
  --company "Example Publishing" --config-version 1 --sign test.pfx \
  --timestamp "http://127.0.0.1:$(cat tsa/port)" --output nsis/setup.exe >make.log 2>&1 || status=$?
echo "make_installer.sh exit status: $status"
if ((status != 0)); then
  # It must be the uninstaller's signing that failed, not anything before it
  # (a missing build, the DLLs' signing).
  if grep -q '^UninstFinalize command returned' make.log && grep -q '^installer: makensis failed' make.log; then
    echo "PASSED: the failed signing was reported"
    exit 0
  fi
  cat make.log
  echo "FAILED: make_installer.sh failed before it came to the uninstaller"
  exit 1
fi
"$root/cmake/wine-run" "$prefix" "$(windows_path "$work/nsis/setup.exe")" /S
uninstaller="$prefix/drive_c/Program Files/SampleBar/Uninstall.exe"
for file in nsis/setup.exe "$uninstaller"; do
  if osslsigncode verify -CAfile test.pem -TSA-CAfile tsa/tsa.pem -in "$file" >verify.log 2>&1; then
    echo "$(basename "$file"): signed"
  else
    echo "$(basename "$file"): NOT signed ($(grep -m1 -iE 'no signature|failed|error' verify.log))"
    status=1
  fi
done
((status == 0)) && echo "PASSED" || echo "FAILED: make_installer.sh succeeded with an unsigned uninstaller inside the signed installer"
exit $status

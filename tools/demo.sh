#!/usr/bin/env bash
# The demo: installs the sample toolbar into a Wine prefix of its own as a
# publisher's installer would, with its updates served from this machine,
# registers Pelliquester.dll there, shows the toolbar in the band host and
# replays a short session of a user with it, a picture after each step.
# Without a display all of it runs on a virtual one and ends by itself; with
# one the host stays open after the replay until it is closed.
# Called by `./run demo` after the win64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win64
prefix=$root/build/demo-prefix
out=$root/build/demo
dll=$build/src/band/Pelliquester.dll
host=$build/tools/bandhost/bandhost.exe
driver=$build/tools/demo_driver/demo_driver.exe
probe=$build/tools/demo_driver/demo_menu_probe.dll
for file in "$dll" "$host" "$driver" "$probe"; do
  [[ -f $file ]] || { echo "demo: $file is missing; build the win64 preset first" >&2; exit 1; }
done

# What the replay does, and what the configuration update adds.
query="weather forecast"
update_caption=Updated

wine_run() { cmake/wine-run "$prefix" "$@"; }
windows_path() { echo "Z:${1//\//\\}"; }  # the Unix root is drive Z:
headless=
[[ -z ${DISPLAY:-} ]] && headless=1
server_pid='' host_pid='' driver_pid=''
cleanup() {
  if [[ -n $server_pid ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  # Ending the prefix's server ends whatever still runs in it.
  cmake/wine-run "$prefix" --stop >/dev/null 2>&1 || true
  local pid
  for pid in $driver_pid $host_pid; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Waits up to $2 seconds for the file $1 to have content.
wait_for_file() {
  local deadline=$((SECONDS + $2))
  until [[ -s $1 ]]; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

mkdir -p "$out"
rm -rf "$out"/*.png "$out"/*.bmp "$out"/host.log "$out"/replay.log "$out"/driver.out \
  "$out"/update "$out"/update-requests.log "$out"/update-port "$out"/sheet.tmp
band_id=$(sed -n 's/.*kBandClassId\[\] = "\({[^}]*}\)".*/\1/p' src/config/band_identity.h)
band_path="SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\$band_id"
band_key="HKLM\\$band_path"

echo "demo: preparing the prefix $prefix"
wine_run cmd /c ver >/dev/null

# The toolbar starts as on its first day: no searches, settings or update of
# an earlier run.
wine_run reg delete "$band_key" /f /reg:64 >/dev/null 2>&1 || true
wine_run reg delete "HKCU\\$band_path" /f /reg:64 >/dev/null 2>&1 || true
rm -rf "$prefix"/drive_c/users/*/AppData/Local/Pelliquester

# The publisher's update site: the sample with one more button.
mkdir -p "$out/update"
python3 tools/demo_update_server.py "$out/update" "$out/update-port" "$out/update-requests.log" &
server_pid=$!
wait_for_file "$out/update-port" 10 || { echo "demo: the update server did not start" >&2; exit 1; }
updates_url="http://127.0.0.1:$(cat "$out/update-port")"
suggest_url="$updates_url/complete?q=[SEARCH]"
sed -e "s|^Updates URL=.*|Updates URL=$updates_url|" -e "s|^Suggest URL=.*|Suggest URL=$suggest_url|" \
  -e 's|^SupportButton=.*|&\nUpdatedButton=|' samples/SampleBar.ini >"$out/update/toolbar.ini"
cat >>"$out/update/toolbar.ini" <<EOF

[UpdatedButton]
Parent=Toolbar
Caption=$update_caption
ImageIndex=25
URL=http://www.example.com/updated
EOF
echo "demo: serving the configuration update at $updates_url/toolbar.ini and suggestions at $suggest_url"

# The installer's part: the files into the install directory, its three values.
install_dir="C:\\Program Files\\SampleBar"
unix_install_dir="$prefix/drive_c/Program Files/SampleBar"
rm -rf "$unix_install_dir"
mkdir -p "$unix_install_dir"
cp samples/SampleBar.bmp samples/SampleBar.gif "$dll" "$unix_install_dir/"
sed -e "s|^Updates URL=.*|Updates URL=$updates_url|" -e "s|^Suggest URL=.*|Suggest URL=$suggest_url|" \
  samples/SampleBar.ini >"$unix_install_dir/SampleBar.ini"
wine_run reg add "$band_key" /v InstallPath /d "$install_dir" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar Name" /d "SampleBar" /f /reg:64 >/dev/null
wine_run reg add "$band_key" /v "Toolbar File" /d "SampleBar" /f /reg:64 >/dev/null
echo "demo: installed the sample toolbar into $install_dir"

if ! wine_run regsvr32 /s "$install_dir\\Pelliquester.dll"; then
  echo "demo: regsvr32 failed to register Pelliquester.dll" >&2
  exit 1
fi
echo "demo: registered $install_dir\\Pelliquester.dll"

# The host; without a display it is closed by the replay, or after two
# minutes should the replay hang.
host_args=(--log "$(windows_path "$out/host.log")")
[[ -n $headless ]] && host_args+=(--exit-after 120000)
wine_run "$host" "${host_args[@]}" >/dev/null &
host_pid=$!
if [[ -n $headless ]]; then
  echo "demo: the band host runs on a virtual display; replaying a user's session"
else
  echo "demo: the band host opens on $DISPLAY; replaying a user's session (hands off the mouse)"
fi

driver_args=(--config "$install_dir\\SampleBar.ini" --log "$(windows_path "$out/host.log")"
  --shots "$(windows_path "$out")" --report "$(windows_path "$out/replay.log")"
  --query "$query" --expect-button "$update_caption")
[[ -z $headless ]] && driver_args+=(--leave-open)
: >"$out/replay.log"
timeout 180 cmake/wine-run "$prefix" "$driver" "${driver_args[@]}" >"$out/driver.out" 2>&1 &
driver_pid=$!
# Each step's line as it comes.
tail -n +1 -s 0.2 -f --pid="$driver_pid" "$out/replay.log"
replayed=0
wait "$driver_pid" || replayed=$?
driver_pid=
if ((replayed != 0)); then
  echo "demo: the replay failed (exit status $replayed)" >&2
  [[ -s $out/driver.out ]] && sed 's/^/  /' "$out/driver.out" >&2
  [[ -f $out/failed.bmp ]] && convert "$out/failed.bmp" "$out/failed.png" && rm -f "$out/failed.bmp" &&
    echo "demo: the screen when it failed: $out/failed.png" >&2
  echo "demo: the band host's log ($out/host.log):" >&2
  [[ -f $out/host.log ]] && sed 's/^/  /' "$out/host.log" >&2
  exit 1
fi

if [[ -z $headless ]]; then
  echo "demo: the band host stays open on $DISPLAY; close its window to end the demo"
fi
wait "$host_pid" || true
host_pid=

if grep -q '^GET /toolbar.ini 200' "$out/update-requests.log" 2>/dev/null; then
  echo "demo: the toolbar fetched its configuration update ($updates_url/toolbar.ini)"
else
  echo "demo: the toolbar never fetched $updates_url/toolbar.ini" >&2
  exit 1
fi
echo "demo: the addresses the browser was asked to open:"
sed -n 's/^browser: Navigate \(.*\) flags=.*/  \1/p' "$out/host.log"

pictures=()
for bitmap in "$out"/[0-9][0-9]*-*.bmp; do
  convert "$bitmap" "${bitmap%.bmp}.png"
  rm -f "$bitmap"
  pictures+=("${bitmap%.bmp}.png")
done
# The contact sheet: each picture under its name, two in a row.
sheet=$out/sheet.tmp
rm -rf "$sheet"
mkdir -p "$sheet"
for picture in "${pictures[@]}"; do
  name=$(basename "$picture" .png)
  convert "$picture" -background '#dcdcdc' -gravity north -splice 0x30 -font DejaVu-Sans \
    -pointsize 18 -annotate +0+5 "$name" "$sheet/$name.png"
done
tile=$(identify -format '%w %h\n' "$sheet"/*.png |
  awk '$1 > w { w = $1 } $2 > h { h = $2 } END { print w "x" h }')
montage "$sheet"/*.png -tile 2x -gravity north -geometry "$tile>+12+12" -background '#dcdcdc' \
  "$out/contact-sheet.png"
rm -rf "$sheet"
echo "demo: pictures of the steps in $out/: ${pictures[*]#"$out"/}"
echo "demo: all of them on one sheet: $out/contact-sheet.png"
echo "demo: the band host's log of every call: $out/host.log"

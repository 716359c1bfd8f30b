#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the launcher and runs it on an embedded demo set-up:
# a temporary machine root, per-user folders and runtime folder (nothing touches your home
# folder, /etc or /var), with the Organizer and Editor stand-ins registered when they are built.
#
# With a display ($DISPLAY) the Welcome Screen opens on it. Without one the launcher runs on a
# private Xvfb server with openbox; a screenshot is written after a few seconds and the run ends
# after TESSALY_DEMO_SECONDS (default 15).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${TESSALY_JOBS:-2}

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"

demo=$(mktemp -d /tmp/tessaly-demo.XXXXXX)
echo "demo set-up in $demo"
bash scripts/demo-setup.sh "$top/build" "$demo"
# shellcheck disable=SC1091
source "$demo/environment"

launcher="$top/build/source/PixtrelOrvana"
if [ -n "${DISPLAY:-}" ]; then
    exec "$launcher" "$@"
fi

display_number=$((90 + RANDOM % 100))
Xvfb ":$display_number" -screen 0 1280x900x24 -nolisten tcp -noreset >"$demo/xvfb.log" 2>&1 &
xvfb_pid=$!
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
export DISPLAY=":$display_number"
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
openbox >"$demo/openbox.log" 2>&1 &
"$launcher" "$@" &
launcher_pid=$!
# Wait for the Welcome window itself rather than a fixed time, then let it settle.
timeout 30 xdotool search --sync --onlyvisible --name 'Tessaly Pixtrel Orvana' >/dev/null 2>&1 || true
sleep 1
import -window root "$demo/screenshot.png" && echo "screenshot: $demo/screenshot.png"
seconds=${TESSALY_DEMO_SECONDS:-15}
for _ in $(seq 1 $((seconds * 10))); do
    kill -0 "$launcher_pid" 2>/dev/null || break
    sleep 0.1
done
kill "$launcher_pid" 2>/dev/null || true
wait "$launcher_pid" 2>/dev/null || true
kill "$xvfb_pid" 2>/dev/null || true

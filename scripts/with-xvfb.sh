#!/usr/bin/env bash
# Runs a command on a private Xvfb server. The server chooses a free display itself
# (-displayfd), so several runs on one machine never share or race for a display; -noreset, as
# the server otherwise resets each time its last client leaves and refuses whoever comes next.
#   scripts/with-xvfb.sh COMMAND [ARGS...]
set -euo pipefail
fifo=$(mktemp -u /tmp/tessaly-xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -maxclients 512 3>"$fifo" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -f "$fifo"' EXIT
if ! read -r -t 30 number <"$fifo"; then
    echo "with-xvfb: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$number"
status=0
"$@" || status=$?
exit $status

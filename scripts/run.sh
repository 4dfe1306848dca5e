#!/usr/bin/env bash
# Builds the programs, assembles the program folder app/ and starts Examforge from it.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/build.sh"
app="$("$top/scripts/assemble.sh" | tail -n 1)"
cd "$app"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Examforge under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a "$app/examforge" "$@"
fi
exec "$app/examforge" "$@"

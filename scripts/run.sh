#!/usr/bin/env bash
# Builds the two programs (and only what they link), assembles the program folder app/ and
# starts Examforge from it. scripts/test.sh builds everything else.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
"$top/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --parallel "$(nproc)" --target examforge examdesk
app="$(BUILD_DIR="$build" "$top/scripts/assemble.sh" | tail -n 1)"
cd "$app"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Examforge under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a "$app/examforge" "$@"
fi
exec "$app/examforge" "$@"

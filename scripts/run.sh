#!/usr/bin/env bash
# Builds the two programs (and only what they link), assembles the program folder app/ and
# starts Examforge from it. scripts/test.sh builds everything else.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
# A build folder of its own, without debug information and without the tests and benches, so
# the first window comes soon on a new machine; scripts/test.sh builds everything in build/.
build="${BUILD_DIR:-$top/build-run}"
"$top/scripts/setup.sh" run
if [ ! -f "$build/CMakeCache.txt" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DEXAM_BUILD_TESTS=OFF -DEXAM_BUILD_BENCH=OFF "${launcher[@]}"
fi
cmake --build "$build" --parallel "$(nproc)" --target examforge examdesk
app="$(BUILD_DIR="$build" "$top/scripts/assemble.sh" | tail -n 1)"
cd "$app"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Examforge under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a "$app/examforge" "$@"
fi
exec "$app/examforge" "$@"

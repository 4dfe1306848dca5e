#!/usr/bin/env bash
# Takes the README's pictures of both programs on the demo data, under a virtual X server.
#   bash scripts/screenshots.sh [window ...]     (default: the windows the README shows)
# Pictures go to docs/pictures/. `build/tools/screens/screens --list` names every window.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
"$top/scripts/build.sh" >/dev/null
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
cp -r "$top/demo/." "$data/"
cp "$top/assets/Language.txt" "$data/"
mkdir -p "$data/help" && cp "$top"/assets/help/* "$data/help/"
windows=("$@")
if [ ${#windows[@]} -eq 0 ]; then
    windows=(examforge-main examforge-papers examforge-scores examdesk-login examdesk-exam)
fi
mkdir -p "$top/docs/pictures"
known="$(QT_QPA_PLATFORM=offscreen "$build/tools/screens/screens" --list)"
wanted=()
for w in "${windows[@]}"; do
    if grep -qx "$w" <<<"$known"; then wanted+=("$w"); else echo "unknown window: $w" >&2; fi
done
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screens/screens" --data "$data" --out "$top/docs/pictures" "${wanted[@]}"

#!/usr/bin/env bash
# Assembles the self-contained program folder: both programs, Language.txt, help/, the
# templates in sys/, and, only when the folder has no catalogue yet, the demo data tree.
# The folder is app/ (or $APP_DIR); data already in it is never overwritten.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
app="${APP_DIR:-$top/app}"

mkdir -p "$app/sys"
for program in examforge examdesk; do
    if [ -x "$build/$program/$program" ]; then
        cp -f "$build/$program/$program" "$app/$program"
    fi
done
[ -f "$app/Language.txt" ] || cp "$top/assets/Language.txt" "$app/Language.txt"
# Other languages travel beside it; a school renames the one it wants to Language.txt.
for lang in "$top"/assets/Language.*.txt; do
    [ -e "$lang" ] && cp -f "$lang" "$app/"
done
mkdir -p "$app/help"
cp -f "$top"/assets/help/* "$app/help/"
for template in "$top"/assets/sys/*; do
    [ -e "$template" ] || continue
    [ -e "$app/sys/$(basename "$template")" ] || cp "$template" "$app/sys/"
done
if [ ! -f "$app/sys/sys.cho" ] && [ ! -f "$app/SYS/SYS.cho" ]; then
    # The demo tree, without the placeholder files that keep empty folders in git.
    (cd "$top/demo" && find . -type d -exec mkdir -p "$app/{}" \; && \
        find . -type f ! -name '.gitkeep' -exec cp -n {} "$app/{}" \;)
    for template in "$top"/assets/sys/*; do
        [ -e "$template" ] || continue
        cp -n "$template" "$app/sys/"
    done
fi
echo "$app"

#!/usr/bin/env bash
# Assembles the self-contained program folder: both programs, Language.txt, help/, the
# templates in sys/, the icons, and, only when the folder has no catalogue yet, the demo data.
#
#   bash scripts/assemble.sh [--no-demo] [DIR]
#
# DIR (default app/, or $APP_DIR) may be a folder on a network share: the programs are
# replaced by a rename, never left half-written, and data already in the folder
# (sys/sys.cho, SHIJUAN/, CHENGJI/, Language.txt, the templates) is never overwritten.
# --no-demo leaves a new folder without the demo class and test.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
demo=1
if [ "${1:-}" = "--no-demo" ]; then
    demo=0
    shift
fi
app="${1:-${APP_DIR:-$top/app}}"
if [ -n "${1:-}" ] && [ ! -d "$1" ]; then
    # A share that is not mounted must not turn into a local folder of the same name.
    echo "The folder $1 does not exist (is the share connected?)." >&2
    exit 1
fi

for program in examforge examdesk; do
    if [ ! -x "$build/$program/$program" ]; then
        echo "$build/$program/$program is missing: build it first" \
             "(cmake --build $build --target examforge examdesk)." >&2
        exit 1
    fi
done
if ! mkdir -p "$app/sys" 2>/dev/null || [ ! -w "$app" ]; then
    echo "The folder $app cannot be written (is the share connected, and writable for you?)." >&2
    exit 1
fi
app="$(cd "$app" && pwd)"

for program in examforge examdesk; do
    # A new file beside the old one, then a rename: never a half-written program on the share.
    cp "$build/$program/$program" "$app/.$program.new"
    chmod 755 "$app/.$program.new"
    mv -f "$app/.$program.new" "$app/$program"
done
[ -f "$app/Language.txt" ] || cp "$top/assets/Language.txt" "$app/Language.txt"
# Other languages travel beside it; a school renames the one it wants to Language.txt.
for lang in "$top"/assets/Language.*.txt; do
    [ -e "$lang" ] && cp -f "$lang" "$app/"
done
mkdir -p "$app/help" "$app/icons" "$app/install"
cp -f "$top"/assets/help/* "$app/help/"
cp -f "$top"/assets/icons/* "$app/icons/"
# What a teacher's or student's machine runs once to use the programs from this folder.
cp -f "$top"/scripts/install-machine.sh "$top"/scripts/install-teacher.sh "$top"/scripts/install-student.sh \
    "$app/install/"
for template in "$top"/assets/sys/*; do
    [ -e "$template" ] || continue
    [ -e "$app/sys/$(basename "$template")" ] || cp "$template" "$app/sys/"
done
if [ "$demo" = 1 ] && [ ! -f "$app/sys/sys.cho" ] && [ ! -f "$app/SYS/SYS.cho" ] &&
   [ ! -d "$app/SHIJUAN" ] && [ ! -d "$app/CHENGJI" ]; then
    # The demo tree, without the placeholder files that keep empty folders in git.
    (cd "$top/demo" && find . -type d -exec mkdir -p "$app/{}" \; && \
        find . -type f ! -name '.gitkeep' -exec cp -n {} "$app/{}" \;)
fi
echo "$app"

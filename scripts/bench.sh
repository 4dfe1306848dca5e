#!/usr/bin/env bash
# Builds the project and runs every program in bench/, then prints one table of all figures.
# Each bench program prints lines "BENCH <name> <value> <unit>".
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
"$top/scripts/build.sh" >/dev/null
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
results="$(mktemp)"
trap 'rm -f "$results"' EXIT
for program in "$build"/bench/*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    name="$(basename "$program")"
    echo "running $name ..." >&2
    if ! "$program" > "$results.out" 2> "$results.err"; then
        echo "$name failed:" >&2
        cat "$results.err" >&2
        continue
    fi
    grep '^BENCH ' "$results.out" | sed "s/^BENCH /$name /" >> "$results" || true
done
printf '\n%-22s %-40s %14s  %s\n' "program" "measure" "value" "unit"
printf '%-22s %-40s %14s  %s\n' "-------" "-------" "-----" "----"
while read -r program measure value unit; do
    printf '%-22s %-40s %14s  %s\n' "$program" "$measure" "$value" "$unit"
done < "$results"
rm -f "$results.out" "$results.err"

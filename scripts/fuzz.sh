#!/usr/bin/env bash
# Fuzzes the RTF reader and writer with libFuzzer for the given number of seconds (default 60):
# installs clang and its runtime when missing, builds a sanitized build in build-fuzz/ (or
# $FUZZ_BUILD_DIR), seeds the corpus with the golden files and the demo paper, and runs.
# Crashes land in build-fuzz/crashes/; the corpus grows in fuzz/corpus-run/ and is kept.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="${FUZZ_BUILD_DIR:-$top/build-fuzz}"

"$top/scripts/setup.sh"
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DEXAM_BUILD_FUZZ=ON -DEXAM_BUILD_TESTS=OFF -DEXAM_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$sanitizers -fsanitize=fuzzer-no-link" \
        -DCMAKE_EXE_LINKER_FLAGS="$sanitizers"
fi
cmake --build "$build" --target rtf_fuzzer --parallel 2

seeds="$build/seeds"
corpus="$top/fuzz/corpus-run"
mkdir -p "$seeds" "$corpus" "$build/crashes"
for f in "$top"/tests/rtf/golden/*/input.rtf; do
    cp -f "$f" "$seeds/$(basename "$(dirname "$f")").rtf"
done
# Pictures on their own, for the metafile and bitmap checks.
for f in "$top"/tests/rtf/golden/*/picture-*.*; do
    cp -f "$f" "$seeds/$(basename "$(dirname "$f")")-$(basename "$f")"
done
for f in "$top"/demo/SHIJUAN/*/*.RTF; do
    cp -f "$f" "$seeds/demo-$(basename "$f")"
done

# Qt keeps caches for the life of the process, which the leak checker would report.
cd "$build"
ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
    ./fuzz/rtf_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
    -dict="$top/fuzz/rtf.dict" -artifact_prefix="$build/crashes/" -print_final_stats=1 \
    "$corpus" "$seeds"

#!/usr/bin/env bash
# Installs the Debian packages the project needs. Safe to run again: packages already present
# are left alone.
#
#   setup.sh        what the build, the tests, the benches and the demo need
#   setup.sh run    only what building and starting the two programs needs (scripts/run.sh)
set -euo pipefail

# Building and running the programs.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libvulkan-dev
    libquazip1-qt6-dev
    qt6-svg-dev libwmf-dev libemf2svg-dev libexpat1-dev libjpeg-dev
    fonts-wqy-microhei
    xvfb xauth
)
if [ "${1:-}" != "run" ]; then
    # The tests and the benches.
    packages+=(poppler-utils libbenchmark-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

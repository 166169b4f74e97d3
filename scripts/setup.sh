#!/usr/bin/env bash
# Installs what the project needs (Debian 12), then configures and builds it.
# usage: scripts/setup.sh [BUILD_DIR [extra cmake arguments...]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils x11-apps imagemagick
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

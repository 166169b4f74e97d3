#!/usr/bin/env bash
# Sets up and builds the project, then starts the demo in the directory that
# holds its textures. Without a display it renders the scene to a PNG file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build"
cd "$root/build/umbrafield"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./umbrafield
fi
out="$root/build/umbrafield.png"
./umbrafield-shot --frame 60 --shadow 0 --out "$out" >/dev/null
echo "No display: the scene after 60 frames is in $out"

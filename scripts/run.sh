#!/usr/bin/env bash
# Installs what is missing, builds swancage and shows the picture. With a display: the window,
# until Escape. Without one: the snapshot draws the picture off screen (through EGL, no X server
# needed) into out/swancage.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$root/build/swancage"
fi
mkdir -p "$root/out"
"$root/build/swancage-snapshot" "$root/out/swancage.png" >/dev/null
echo "No display: the picture is in $root/out/swancage.png"

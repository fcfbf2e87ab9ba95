#!/usr/bin/env bash
# Installs what is missing, builds swancage and shows the picture. With a display: the window,
# until Escape. Without one: the picture is written to out/swancage.png through a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$root/build/swancage"
fi
mkdir -p "$root/out"
"$root/scripts/with-display.sh" "$root/build/swancage-snapshot" "$root/out/swancage.png"
echo "No display: the picture is in $root/out/swancage.png"

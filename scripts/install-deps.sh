#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing swancage need, skipping those
# already present. Runs apt-get directly as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl1.2-dev libglew-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libpng-dev
  libgtest-dev libbenchmark-dev libx11-dev
  xvfb xauth xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

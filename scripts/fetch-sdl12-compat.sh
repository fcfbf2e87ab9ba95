#!/usr/bin/env bash
# Unpacks sdl12-compat (SDL 1.2's interface over SDL 2, the only SDL 1.2 on newer distributions)
# into DIR, beside the system's SDL rather than over it, so the tests can run the same executables
# on it through LD_LIBRARY_PATH. Downloads the Debian package only when DIR does not hold it yet.
# usage: fetch-sdl12-compat.sh DIR      (prints the folder holding libSDL-1.2.so.0)
set -euo pipefail
dir=$1
find_lib() { find "$dir/root" -name 'libSDL-1.2.so.0' -printf '%h\n' 2>/dev/null | head -n 1 || true; }
lib=$(find_lib)
if [[ -z "$lib" ]]; then
  if ! command -v apt-get >/dev/null || ! command -v dpkg-deb >/dev/null; then
    echo "fetch-sdl12-compat: needs apt-get and dpkg-deb (a Debian or Ubuntu system)" >&2
    exit 1
  fi
  mkdir -p "$dir"
  rm -rf "$dir/root" "$dir"/*.deb
  if ! (cd "$dir" && apt-get download -qq -o APT::Sandbox::User=root libsdl1.2-compat); then
    echo "fetch-sdl12-compat: apt-get download libsdl1.2-compat failed; run scripts/install-deps.sh" \
      "(it refreshes the package lists) and check the network" >&2
    exit 1
  fi
  dpkg-deb -x "$dir"/libsdl1.2-compat_*.deb "$dir/root"
  lib=$(find_lib)
fi
[[ -n "$lib" ]] || { echo "fetch-sdl12-compat: the package holds no libSDL-1.2.so.0" >&2; exit 1; }
if ! ldconfig -p | grep -F 'libSDL2-2.0.so.0' >/dev/null; then
  echo "fetch-sdl12-compat: sdl12-compat needs SDL 2 (libsdl2-2.0-0); run scripts/install-deps.sh" >&2
  exit 1
fi
echo "$lib"

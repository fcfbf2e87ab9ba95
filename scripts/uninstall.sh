#!/usr/bin/env bash
# Removes what `cmake --install` wrote, as its manifest lists it, then every folder this leaves
# empty, up to the prefix: the deepest folder that holds all the listed files, itself never removed.
# A folder that still holds anything else stays, and so do the folders above it. Nothing records
# which folders the install made, so one that was there before, empty, goes too.
# usage: uninstall.sh MANIFEST     (build/install_manifest.txt; with sudo for /usr/local)
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: uninstall.sh MANIFEST" >&2 && exit 2; }
mapfile -t files <"$1"
[[ ${#files[@]} -gt 0 ]] || { echo "uninstall: $1 lists no files" >&2 && exit 1; }
prefix=$(dirname "${files[0]}")
for file in "${files[@]}"; do
  [[ $file == /* ]] || { echo "uninstall: $1 lists a relative path: $file" >&2 && exit 1; }
  while [[ $prefix != / && $file != "$prefix"/* ]]; do prefix=$(dirname "$prefix"); done
done
rm -f -- "${files[@]}"
folders=0
for file in "${files[@]}"; do
  folder=$(dirname "$file")
  while [[ $folder == "$prefix"/* ]] && rmdir -- "$folder" 2>/dev/null; do
    folders=$((folders + 1))
    folder=$(dirname "$folder")
  done
done
echo "uninstall: removed ${#files[@]} files and $folders folders they left empty, under $prefix"

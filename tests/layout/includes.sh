#!/usr/bin/env bash
# The source tree's layering: each folder may include its own headers and those of folders below
# it, never those above, and no two headers or sources of a folder include each other, directly or
# round a longer loop. Prints the include edges between folders, then every violation; exits 1 if
# there is one.
# usage: includes.sh SOURCE_ROOT
set -uo pipefail
root=$1
cd "$root" || exit 2

# Lower ranks are lower in the house. A folder missing here is a violation of its own.
declare -A rank=([pipeline]=0 [geometry]=0 [image]=1 [shading]=0 [scene]=1 [app]=2 [snapshot]=3 [bench]=3 [web]=3 [tests]=4)

edges=$(find . \( -name 'build*' -o -name '.git' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
  sed 's@^\./@@' | sort | while read -r file; do
  sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file" | while read -r included; do
    echo "$file $included"
  done
done)

bad=0
declare -A between=()
while read -r file included; do
  [[ -n "$file" ]] || continue
  from=${file%%/*} to=${included%%/*}
  if [[ -z "${rank[$from]:-}" || -z "${rank[$to]:-}" ]]; then
    echo "unranked folder: $file includes $included" && bad=1 && continue
  fi
  [[ $from == "$to" ]] && continue
  between["$from -> $to"]=1
  ((rank[$to] < rank[$from])) || { echo "runs up: $file includes $included" && bad=1; }
done <<<"$edges"
printf '%s\n' "${!between[@]}" | sort

# Loops between files: a file's header and source count as one unit (app/frame.h + .cpp).
units=$(while read -r file included; do
  [[ -n "$file" ]] && echo "${file%.*} ${included%.*}"
done <<<"$edges" | awk '$1 != $2' | sort -u)
loop=$(echo "$units" | tsort 2>&1 >/dev/null | grep -v '^tsort: -: input contains a loop:$')
[[ -z "$loop" ]] || { echo "files that include each other:"; echo "$loop"; bad=1; }
((bad == 0)) && echo "no include runs up, no loop"
exit "$bad"

#!/usr/bin/env bash
# registered.sh SCRIPT NAME...: every case that the end-to-end SCRIPT defines (the labels of its
# `case "$case_name" in` block) must be among the registered NAMEs, as CASE or CASE:STACK, every
# stack it defines (its `case "$stack" in` block, if any) must be used by one, and every NAME must
# be a case it defines. A case that is defined but never registered protects nothing.
set -uo pipefail
script=$1
shift
registered=" $* "
block() {
  awk -v start="$1" '$0 ~ start { on = 1; next } on && /^esac/ { exit }
    on && /^  [a-z0-9][a-z0-9| -]*\)/ { sub(/^  /, ""); sub(/\).*/, ""); gsub(/ *\| */, "\n"); print }' "$script"
}
cases=$(block '^case "\$case_name" in')
[[ -n "$cases" ]] || { echo "$script defines no case"; exit 1; }
missing=0
for c in $cases; do
  [[ $registered == *" $c "* || $registered == *" $c:"* ]] || { echo "case $c is not registered"; missing=1; }
done
for s in $(block '^case "\$stack" in'); do
  [[ $s == default || $registered == *":$s "* ]] || { echo "stack $s is used by no registered case"; missing=1; }
done
for name in "$@"; do
  grep -q -x -F "${name%%:*}" <<<"$cases" || { echo "$name: $script defines no such case"; missing=1; }
done
((missing == 0)) && echo "every case and stack of $(basename "$script") is registered"
exit "$missing"

#!/usr/bin/env bash
# Every program the frame builds, in the GLSL ES 3.00 form a WebGL 2 page compiles, passes
# Khronos' reference compiler (glslangValidator) as a linked program: each material's vertex and
# fragment stage, its plain program, and the doily's two capture stages with the fragment stage
# they link with. GLSL ES converts no whole number to float, declares no built-in inputs and links
# nothing without a fragment stage; a text that the conversion leaves in GLSL 1.20's form fails.
# usage: es_texts.sh PRINT_ES_TEXTS
source "$(dirname "$0")/../lib/harness.sh"
test_name=shading.es-texts
command -v glslangValidator >/dev/null ||
  fail "no glslangValidator: scripts/install-deps.sh installs glslang-tools"
run_for 30 "$1" "$work"
[[ $status -eq 0 ]] || fail "print_es_texts: status $status: $(cat "$work/err")"
programs=(doily-surface.vert:capture.frag doily-lighting.vert:capture.frag)
for m in doily cage glass swan table; do programs+=("$m.vert:$m.frag" "$m-plain.vert:$m.frag"); done
for program in "${programs[@]}"; do
  run_for 30 glslangValidator -l "$work/${program%:*}" "$work/${program#*:}"
  [[ $status -eq 0 ]] || fail "$program: $(grep -h ERROR "$work/out" "$work/err")"
done
pass

#!/usr/bin/env bash
# The Windows zip holds the two programs, whole (no DLL beside them), the README and the licence,
# and nothing else.
# usage: package.sh WINDOWS_BUILD_DIR
source "$(dirname "$0")/../lib/harness.sh"
test_name=windows.package build=$1
run_for 120 cpack -G ZIP -B "$work" --config "$build/CPackConfig.cmake"
[[ $status -eq 0 ]] || fail "cpack: $(tail -n 20 "$work/out" "$work/err")"
zip=$(ls "$work"/swancage-*-windows-x86_64.zip 2>/dev/null) || fail "no zip: $(ls "$work")"
python3 -m zipfile -l "$zip" | awk 'NR > 1 { print $1 }' | sed 's@^[^/]*/@@' | sort >"$work/names"
expected=$(printf '%s\n' LICENSE README.md swancage-snapshot.exe swancage.exe)
[[ $(cat "$work/names") == "$expected" ]] || fail "the zip holds: $(cat "$work/names")"
# Static programs import only Windows' own DLLs.
python3 -m zipfile -e "$zip" "$work/unzipped"
for exe in "$work"/unzipped/*/*.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' |
    grep -v -x -E 'kernel32.dll|user32.dll|gdi32.dll|winmm.dll|opengl32.dll|glu32.dll|msvcrt.dll|advapi32.dll|shell32.dll|ole32.dll|imm32.dll|version.dll|shlwapi.dll')
  [[ -z $dlls ]] || fail "$(basename "$exe") needs DLLs that Windows does not have: $dlls"
done
pass

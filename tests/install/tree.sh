#!/usr/bin/env bash
# Installs the build tree into a temporary prefix with cmake --install and checks the result: the
# exact list of files, man pages that groff renders without a warning and man reads, a valid
# desktop entry whose command and icon are installed, no build or source path in any installed
# file, a snapshot tool that, moved elsewhere with its prefix, writes the very picture the build
# tree's tool writes, and scripts/uninstall.sh, which takes it all away again. Needs an X display
# for the snapshots (ctest runs under scripts/with-display.sh).
# usage: tree.sh BUILD_DIR SOURCE_DIR VERSION SNAPSHOT IMGDIFF
. "$(dirname "$0")/lib.sh"
test_name=install.tree
build=$1 source=$2 version=$3 snapshot=$4 imgdiff=$5
[[ -n "$version" ]] || fail "the project has no version"

# cmake --install rewrites the build tree's install_manifest.txt, which lists a real install for
# its removal: it is put back as it was.
manifest=$build/install_manifest.txt
had_manifest=0
if [[ -e "$manifest" ]]; then
  cp -p "$manifest" "$work/manifest.saved" && had_manifest=1
fi
on_cleanup() {
  if ((had_manifest)); then cp -p "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
}

prefix=$work/prefix
timeout -s KILL 120 cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"

check_file_list "${installed_files[@]}" "${tree_only_files[@]}" \
  < <(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||')
for program in swancage swancage-snapshot; do
  [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is not executable"
done

# Relocatable: nothing installed names where it was built, no run path included.
found=$(grep -rlF -e "$build" -e "$source" "$prefix")
[[ -z "$found" ]] || fail "installed files name the build or source folder: $found"
for program in swancage swancage-snapshot; do
  runpath=$(readelf -d "$prefix/bin/$program" | grep -E 'RPATH|RUNPATH')
  [[ -z "$runpath" ]] || fail "bin/$program has a run path: $runpath"
done

# Man pages: groff reports every warning (-ww) and writes nothing else (-z); man reads the page.
for page in man6/swancage.6.gz man1/swancage-snapshot.1.gz; do
  file=$prefix/share/man/$page
  check_gzip_n "$file"
  warnings=$(zcat "$file" | groff -man -ww -z 2>&1) || fail "groff failed on $page: $warnings"
  [[ -z "$warnings" ]] || fail "groff warns about $page: $warnings"
  name=$(basename "$page" .gz)
  title="${name%.*}"
  zcat "$file" | grep -q -E "^\.TH ${title^^} ${name##*.} \"[^\"]+\" \"swancage ${version//./\\.}\"" ||
    fail "$page: the .TH line should name ${title^^}, section ${name##*.} and swancage $version"
  LC_ALL=C MANWIDTH=80 timeout -s KILL 30 man -l "$file" >"$work/man.out" 2>"$work/man.err" ||
    fail "man -l failed on $page: $(cat "$work/man.err")"
  [[ ! -s "$work/man.err" ]] || fail "man -l complains about $page: $(cat "$work/man.err")"
  grep -q "^NAME" "$work/man.out" && grep -q -E "^ +$title +- " "$work/man.out" ||
    fail "man -l shows no NAME section for $title: $(head -n 20 "$work/man.out")"
done

# The desktop entry validates and starts the installed window program, with an installed icon.
desktop=$prefix/share/applications/swancage.desktop
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[[ -z "$report" ]] || fail "desktop-file-validate: $report"
# A menu shows it as the application it is, in the graphics menu, started without a terminal.
for key in Type=Application Name=swancage Exec=swancage TryExec=swancage Icon=swancage \
  Terminal=false; do
  grep -q -x -F "$key" "$desktop" || fail "the desktop entry should say $key: $(cat "$desktop")"
done
grep -q -x -E 'Categories=(.*;)?Graphics;(.*;)?' "$desktop" ||
  fail "the desktop entry should be in the Graphics category: $(grep '^Categories=' "$desktop")"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 48 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [[ -f "$png" ]] || fail "no ${size}x${size} icon named '$icon'"
  file -b "$png" | grep -q "^PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is $(file -b "$png")"
done

# The installed snapshot tool, moved with its whole prefix, writes the build tree's picture.
[[ -n "${DISPLAY:-}" ]] || fail "DISPLAY is not set: run ctest under scripts/with-display.sh"
mv "$prefix" "$work/moved" || fail "could not move the prefix"
run_snapshot() {  # run_snapshot PROGRAM OUT
  timeout -s KILL 120 "$1" "$2" >"$work/snapshot.out" 2>"$work/snapshot.err" &
  pids+=($!)
  wait $! || fail "$1 failed: $(cat "$work/snapshot.err")"
}
run_snapshot "$work/moved/bin/swancage-snapshot" "$work/installed.png"
run_snapshot "$snapshot" "$work/built.png"
"$imgdiff" "$work/built.png" "$work/installed.png" 0 0 0 0 >"$work/diff.out" 2>&1 ||
  fail "the installed snapshot differs from the build tree's: $(cat "$work/diff.out")"

# Uninstalled with the manifest: no file and no folder the install made is left, a file of the
# user's beside them stays with its folders, and an emptied prefix stays too.
uninstall() {
  "$source/scripts/uninstall.sh" "$manifest" >"$work/uninstall.out" 2>&1 ||
    fail "uninstall.sh failed: $(cat "$work/uninstall.out")"
  left=$(find "$prefix" -mindepth 1 \( -type d -empty -o ! -type d \) 2>/dev/null)
}
mine=$prefix/share/icons/hicolor/48x48/apps/mine.png
mv "$work/moved" "$prefix" && touch "$mine" || fail "could not move the prefix back"
uninstall
[[ $left == "$mine" ]] || fail "after uninstall.sh, expected only $mine, found: ${left:-nothing}"
rm -r "${prefix:?}"/* && timeout -s KILL 120 cmake --install "$build" --prefix "$prefix" >/dev/null ||
  fail "could not install again"
uninstall
[[ -d $prefix ]] || fail "uninstall.sh removed the prefix itself"
[[ -z $left ]] || fail "uninstall.sh left in a prefix of the install alone: $left"
echo "install.tree: $(printf '%s ' "${installed_files[@]}" "${tree_only_files[@]}")"

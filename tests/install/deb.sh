#!/usr/bin/env bash
# Builds the Debian package with cpack into a temporary folder and checks it: its control fields,
# its exact contents with owners and permissions, stripped programs, the copyright file and a
# changelog of this version, and no error from lintian (its whole report is printed).
# usage: deb.sh BUILD_DIR CPACK VERSION
. "$(dirname "$0")/lib.sh"
test_name=install.deb
build=$1 cpack=$2 version=$3
[[ -n "$version" ]] || fail "the project has no version"

(cd "$build" && timeout -s KILL 300 "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$work/out/swancage_${version}_$arch.deb
[[ -f "$deb" ]] || fail "no $(basename "$deb"); cpack wrote: $(ls "$work/out")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {  # expect_field NAME VALUE
  local value
  value=$(field "$1")
  [[ "$value" == "$2" ]] || fail "$1 is '$value', expected '$2'"
}
expect_field Package swancage
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section graphics
expect_field Priority optional
depends=$(field Depends)
for library in 'libsdl1\.2' 'libglew' 'libpng' 'libglu' 'libx11'; do
  grep -q -E "(^|, )$library" <<<"$depends" || fail "Depends lacks $library: '$depends'"
done
field Maintainer | grep -q -E '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' ||
  fail "Maintainer should be 'Name <address>': '$(field Maintainer)'"
description=$(field Description)
[[ $(wc -l <<<"$description") -ge 2 && -n "$(head -n 1 <<<"$description")" ]] ||
  fail "Description needs a synopsis and a longer text: '$description'"

# Contents: the promised files under /usr and nothing else, all root's, with plain permissions.
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c failed"
check_file_list "${installed_files[@]}" "${package_only_files[@]}" \
  < <(awk '$1 !~ /^d/ {sub(/^\.\/usr\//, "", $6); print $6}' "$work/contents")
while read -r mode owner _ _ _ path; do
  [[ "$owner" == root/root ]] || fail "$path is owned by $owner"
  case "$path" in
    */) expected=drwxr-xr-x ;;
    ./usr/bin/*) expected=-rwxr-xr-x ;;
    *) expected=-rw-r--r-- ;;
  esac
  [[ "$mode" == "$expected" ]] || fail "$path has mode $mode, expected $expected"
done <"$work/contents"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
for program in swancage swancage-snapshot; do
  file -b "$work/root/usr/bin/$program" | grep -q ', stripped' ||
    fail "usr/bin/$program is not stripped: $(file -b "$work/root/usr/bin/$program")"
done
doc=$work/root/usr/share/doc/swancage
for page in man6/swancage.6.gz man1/swancage-snapshot.1.gz; do
  check_gzip_n "$work/root/usr/share/man/$page"
done
check_gzip_n "$doc/changelog.gz"
zcat "$doc/changelog.gz" >"$work/changelog"
[[ $(dpkg-parsechangelog -l "$work/changelog" -S Source) == swancage ]] ||
  fail "the changelog is not swancage's"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[[ "$changelog_version" == "$version" ]] ||
  fail "the changelog's latest entry is $changelog_version, the package $version"
head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -q '^Copyright: 2026 the swancage authors$' "$doc/copyright" || fail "the copyright file names no holder"

# lintian: its report is shown whole; errors fail the test.
timeout -s KILL 300 lintian "$deb" >"$work/lintian" 2>"$work/lintian.err"
lintian_status=$?
echo "lintian (status $lintian_status):"
cat "$work/lintian"
grep -v 'running with root privileges is not recommended' "$work/lintian.err" >&2
grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
[[ $lintian_status -eq 0 || $lintian_status -eq 2 ]] || fail "lintian failed (status $lintian_status)"
echo "install.deb: $(basename "$deb") checked"

# Shared by the install tests: what an install of swancage holds, beside tests/lib/harness.sh.
# Sourced first; the sourcing script then sets $test_name.
source "$(dirname "${BASH_SOURCE[0]}")/../lib/harness.sh"

# Every file an install puts under its prefix, relative to it: the two programs and nothing else
# built (no tests, benchmarks or test helpers), a man page each, the desktop entry, the icons and
# the documents.
installed_files=(
  bin/swancage
  bin/swancage-snapshot
  share/applications/swancage.desktop
  share/doc/swancage/README.md
  share/icons/hicolor/128x128/apps/swancage.png
  share/icons/hicolor/256x256/apps/swancage.png
  share/icons/hicolor/48x48/apps/swancage.png
  share/man/man1/swancage-snapshot.1.gz
  share/man/man6/swancage.6.gz
)
# A plain install adds the licence; the package has it in its copyright file instead, beside the
# changelog.
tree_only_files=(share/doc/swancage/LICENSE)
package_only_files=(share/doc/swancage/changelog.gz share/doc/swancage/copyright)

# Compares a sorted list of files (on standard input) with the expected one (the arguments).
check_file_list() {
  local expected observed
  expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
  observed=$(LC_ALL=C sort)
  [[ "$observed" == "$expected" ]] ||
    fail "installed files differ from the expected list (< expected, > installed):
$(diff <(echo "$expected") <(echo "$observed") | grep '^[<>]')"
}

# A gzip file made with -n: no file name and no time stamp in its header, so the same text always
# gives the same bytes.
check_gzip_n() {
  local flags mtime
  gzip -t "$1" || fail "$1 is not a valid gzip file"
  read -r flags mtime < <(od -An -tu1 -j3 -N5 "$1" | awk '{print $1, $2 + $3 + $4 + $5}')
  ((flags & 8)) && fail "$1 records a file name (gzip without -n)"
  ((mtime == 0)) || fail "$1 records a time stamp (gzip without -n)"
  return 0
}

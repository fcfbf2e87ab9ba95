# Shared by the end-to-end scripts under tests/snapshot: their arguments, starting the snapshot
# tool and reading what it left (status, streams, files, pictures), beside tests/lib/harness.sh.
# Sourced; the script then dispatches on $case_name and ends with an "unknown case" failure for any
# name it does not know.
#
# usage: SCRIPT CASE NAME=VALUE...  Known names: snapshot, imgdiff, baseline, limits (the four
# picture limits for the baseline, space-separated), no_tmpfile, helper_fault, no_threads
# (LD_PRELOAD shims), snapshot_inline (the snapshot built to run nothing beside its main thread),
# page (the web build's tree, with the page).
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
test_name=$1
shift
case_name=$test_name
snapshot= imgdiff= baseline= limits= no_tmpfile= helper_fault= no_threads= snapshot_inline= page=
for argument; do
  case ${argument%%=*} in
    snapshot | imgdiff | baseline | limits | no_tmpfile | helper_fault | no_threads | snapshot_inline | page)
      printf -v "${argument%%=*}" '%s' "${argument#*=}" ;;
    *) fail "unknown argument $argument" ;;
  esac
done
read -r -a baseline_limits <<<"$limits"

# The run ended before drawing anything: no log line of the five programs on standard output.
nothing_drawn() {
  [[ ! -s "$work/out" ]] || fail "$1: should have failed before drawing: $(head -n 3 "$work/out")"
}

# same_picture EXPECTED OBSERVED LIMITS...: fails, keeping the picture and a diff (differing pixels
# in red) in the build tree's Testing folder, unless OBSERVED matches EXPECTED within the limits.
same_picture() {
  local expected=$1 observed=$2 keep=${PWD}/Testing/${test_name//[:\/]/-}-failure
  shift 2
  if ! "$imgdiff" "$expected" "$observed" "$@" "$work/diff.png" >"$work/imgdiff" 2>&1; then
    mkdir -p "$keep" && cp "$observed" "$keep/" && cp "$work/diff.png" "$keep/" 2>/dev/null
    fail "$observed differs from $expected: $(cat "$work/imgdiff"); see $keep"
  fi
}


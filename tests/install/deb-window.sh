#!/usr/bin/env bash
# The package end to end: builds it, installs it with apt-get, runs the installed
# /usr/bin/swancage on the X display until Escape ends it with status 0, then purges the package
# and checks that nothing of it is left. It changes the system, so it needs root and apt-get,
# and it leaves alone a system that already has swancage installed; otherwise it is skipped
# (status 77) with the reason.
# usage: deb-window.sh BUILD_DIR CPACK VERSION
. "$(dirname "$0")/lib.sh"
test_name=install.deb-window
build=$1 cpack=$2 version=$3
[[ $(id -u) -eq 0 ]] || skip "installing a package needs root"
command -v apt-get >/dev/null || skip "no apt-get to install the package with"
dpkg-query -W -f '${Status}' swancage 2>/dev/null | grep -q -v 'not-installed' &&
  skip "a swancage package is already on this system; this case would replace and purge it"
[[ -n "${DISPLAY:-}" ]] || fail "DISPLAY is not set: run ctest under scripts/with-display.sh"

chmod 755 "$work"  # apt's download user reads the package from here
installed=0
# A package left installed by a failure is purged.
on_cleanup() {
  wait_for_no_swancage_window
  ((installed == 0)) ||
    timeout -s KILL 300 apt-get purge -y -qq -o DPkg::Lock::Timeout=120 swancage >/dev/null 2>&1
}
export DEBIAN_FRONTEND=noninteractive

(cd "$build" && timeout -s KILL 300 "$cpack" -G DEB -B "$work") >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb=swancage_${version}_$(dpkg --print-architecture).deb
[[ -f "$work/$deb" ]] || fail "cpack wrote no $deb"

# Files the package brings that are here already would be overwritten, then removed by the purge.
mapfile -t files < <(dpkg-deb -c "$work/$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
[[ ${#files[@]} -gt 0 ]] || fail "the package holds no files"
for f in "${files[@]}"; do
  [[ ! -e "$f" ]] || skip "$f exists already, from no swancage package; this case would remove it"
done

installed=1
(cd "$work" && timeout -s KILL 300 apt-get install -y -o DPkg::Lock::Timeout=120 "./$deb") \
  >"$work/apt.log" 2>&1 || fail "apt-get install failed: $(tail -n 20 "$work/apt.log")"
dpkg-query -W -f '${Status} ${Version}' swancage | grep -q "^install ok installed $version\$" ||
  fail "after apt-get install: $(dpkg-query -W -f '${Status} ${Version}' swancage 2>&1)"
for f in "${files[@]}"; do
  [[ -e "$f" ]] || fail "the installed package lacks $f"
done

# The installed window program: its window appears, takes the focus, and Escape ends it with 0.
/usr/bin/swancage >"$work/out" 2>"$work/err" &
pid=$!
pids+=("$pid")
win=$(timeout -s KILL 30 xdotool search --sync --all --pid "$pid" --name '^swancage$' | head -n 1)
[[ -n "$win" ]] || fail "no swancage window appeared within 30 s: $(cat "$work/err")"
[[ $(readlink "/proc/$pid/exe") == /usr/bin/swancage ]] ||
  fail "the running program is $(readlink "/proc/$pid/exe"), not /usr/bin/swancage"
xdotool mousemove --window "$win" 10 10
xdotool windowfocus "$win"
xdotool key Escape
wait_for_exit "$pid" 20 "/usr/bin/swancage, after Escape,"
[[ $status -eq 0 ]] || fail "/usr/bin/swancage ended with status $status after Escape: $(cat "$work/err")"
[[ $(wc -l <"$work/out") -eq 15 ]] || fail "expected 15 log lines: $(cat "$work/out")"

# Purged, nothing of it is left.
timeout -s KILL 300 apt-get purge -y -o DPkg::Lock::Timeout=120 swancage >"$work/apt.log" 2>&1 ||
  fail "apt-get purge failed: $(tail -n 20 "$work/apt.log")"
installed=0
dpkg -s swancage >/dev/null 2>&1 && fail "dpkg -s still knows swancage after the purge"
left=$(dpkg -L swancage 2>/dev/null)
[[ -z "$left" ]] || fail "dpkg -L still lists files after the purge: $left"
for f in "${files[@]}" /usr/share/doc/swancage; do
  [[ ! -e "$f" ]] || fail "$f is left after the purge"
done
echo "$test_name: installed, ran until Escape (status 0) and purged ${#files[@]} files"

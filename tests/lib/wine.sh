#!/usr/bin/env bash
# Runs a Windows program under Wine, in a prefix of the Windows build's own (made on first use:
# about ten seconds), quietly and without dialogs: no crash dialog (a crashed program would wait
# on it for ever), no offer to install Mono or Gecko, none of Wine's own diagnostics on standard
# error. The Windows build's tests run through it (cmake/mingw-w64.cmake names it their emulator).
# usage: wine.sh PROGRAM.exe ARGUMENTS...   or   wine.sh --end-all (every process of the prefix)
set -euo pipefail
prefix=${SWANCAGE_WINEPREFIX:-$(cd "$(dirname "$0")/../.." && pwd)/build-windows/wine}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ ${1:-} == --end-all ]] && exec wineserver --kill
if [[ ! -f $prefix/swancage-ready ]]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9  # one maker of the prefix among tests started together
  if [[ ! -f $prefix/swancage-ready ]]; then
    wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver --wait
    touch "$prefix/swancage-ready"
  fi
  exec 9>&-
fi
exec wine "$@"

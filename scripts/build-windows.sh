#!/usr/bin/env bash
# Cross-builds swancage.exe and swancage-snapshot.exe (and, with --tests, the tests) for 64-bit
# Windows with MinGW-w64. The libraries they need have no MinGW builds in Debian, so their Debian
# source packages are fetched and cross-built once (about two and a half minutes), through an apt
# source list of this script's own: the machine's apt sources are left as they are. They are
# kept in the user's cache folder, under a name that changes with this script and the toolchain
# file, so that a fresh clone on the same machine finds them built; build-windows/deps points
# there. SWANCAGE_WINDOWS_DEPS_CACHE names another folder for them.
# usage: scripts/build-windows.sh [--tests | --package] [CMAKE OPTIONS...]
#   --tests    the tests too, and the Wine prefix they run in
#   --package  then the zip of the two programs, the README and the licence (build-windows/*.zip)
# The build tree is build-windows/build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-windows
key=$(cat "$0" "$root/cmake/mingw-w64.cmake" | sha256sum | cut -c1-16)
cache=${SWANCAGE_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/swancage/windows-deps}/$key
deps=$cache/installed
mkdir -p "$out" "$cache"
[[ -L $out/deps || ! -e $out/deps ]] || rm -rf "$out/deps"  # a folder from before the cache
ln -sfn "$deps" "$out/deps"
host=x86_64-w64-mingw32
tests=OFF make_zip=0
[[ ${1:-} == --tests ]] && tests=ON && shift
[[ ${1:-} == --package ]] && make_zip=1 && shift
jobs=$(nproc)

# The upstream versions built; Debian's revision is whatever bookworm serves.
declare -A upstream=([zlib]=1.2.13 [libpng1.6]=1.6.39 [libsdl1.2]=1.2.15 [glew]=2.2.0
  [googletest]=1.12.1)
order=(zlib libpng1.6 libsdl1.2 glew googletest)

fetch() {  # fetch PACKAGE: its source, unpacked, in $cache/src/PACKAGE
  local package=$1 apt=$cache/apt
  [[ -d $cache/src/$package ]] && return
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$cache/src"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=-
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  if [[ ! -f $apt/sources.list ]]; then
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" >"$apt/sources.list"
    apt-get "${options[@]}" update >"$apt/update.log" 2>&1 ||
      { echo "build-windows: cannot read Debian's source index; see $apt/update.log" >&2 && exit 1; }
  fi
  local version
  version=$(apt-cache "${options[@]}" showsrc "$package" | sed -n 's/^Version: //p' | head -n 1)
  [[ ${version#*:} == "${upstream[$package]}"* ]] ||
    { echo "build-windows: Debian serves $package $version, not ${upstream[$package]}" >&2 && exit 1; }
  (cd "$cache/src" && rm -rf "$package.tmp" && mkdir "$package.tmp" && cd "$package.tmp" &&
    apt-get "${options[@]}" source --download-only "$package=$version" >/dev/null 2>&1 &&
    dpkg-source --no-check -x ./*.dsc "../$package" >/dev/null) ||
    { echo "build-windows: cannot fetch the source of $package $version" >&2 && exit 1; }
  rm -rf "$cache/src/$package.tmp"
}

cmake_dep() {  # cmake_dep SOURCE_DIR OPTIONS...: configure, build and install into $deps
  local source=$1 build=$cache/src/build-$(basename "$1")
  shift
  cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DSWANCAGE_WINDOWS_DEPS="$deps" \
    -DBUILD_SHARED_LIBS=OFF "$@"
  cmake --build "$build" -j "$jobs" && cmake --install "$build"
}

build_dep() {
  local package=$1 src=$cache/src/$1
  case $package in
    zlib)
      # Debian's source leaves out win32/, whose resource script the DLL (built beside the static
      # library, and not used) asks for: a version resource of its own stands in.
      mkdir -p "$src/win32" && printf '1 VERSIONINFO\nFILEVERSION 1,2,13,0\nBEGIN\nEND\n' >"$src/win32/zlib1.rc"
      # Only the static library is linked: the DLL's import library goes, so nothing finds it.
      cmake_dep "$src" && rm -f "$deps/lib/libzlib.dll.a" "$deps/bin/libzlib.dll" ;;
    libpng1.6) cmake_dep "$src" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF ;;
    libsdl1.2)
      # Without --disable-stdio-redirect SDL sends the programs' output to files. Only video,
      # events and timers are used: the rest is left out.
      (cd "$src" && ./configure --host=$host --prefix="$deps" --disable-shared \
        --disable-stdio-redirect --disable-directx --disable-audio --disable-joystick \
        --disable-cdrom && make -j "$jobs" && make install) ;;
    glew) cmake_dep "$src/build/cmake" -DBUILD_UTILS=OFF ;;
    googletest) cmake_dep "$src" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF ;;
  esac
}

mkdir -p "$deps/stamps"
exec 8>"$cache/lock"
flock 8  # one builder of the cache at a time; another waits, then finds them built
for package in "${order[@]}"; do
  [[ -f $deps/stamps/$package ]] && continue
  echo "building $package ${upstream[$package]} for Windows (once)..."
  fetch "$package"
  build_dep "$package" >"$cache/src/$package.log" 2>&1 ||
    { echo "build-windows: $package failed; from $cache/src/$package.log:" >&2 &&
      tail -n 30 "$cache/src/$package.log" >&2 && exit 1; }
  touch "$deps/stamps/$package"
done
exec 8>&-

echo "building swancage for Windows..."
log=$out/build.log
if ! { cmake -S "$root" -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DSWANCAGE_WINDOWS_DEPS="$deps" -DCMAKE_BUILD_TYPE=Release -DSWANCAGE_TESTS=$tests "$@" &&
  cmake --build "$out/build" -j "$jobs"; } >"$log" 2>&1; then
  echo "build-windows: the build failed; from $log:" >&2
  grep -i -A 3 'error' "$log" | head -n 40 >&2 || tail -n 20 "$log" >&2
  exit 1
fi
# The tests run under Wine in a prefix of their own, made once (about ten seconds).
if [[ $tests == ON ]]; then
  echo "making the Wine prefix the tests run in (once)..."
  "$root/tests/lib/wine.sh" cmd /c exit
fi
if ((make_zip)); then
  (cd "$out/build" && cpack -G ZIP -B "$out" >"$out/package.log" 2>&1) ||
    { echo "build-windows: cpack failed; see $out/package.log" >&2 && exit 1; }
  echo "the zip: $(ls "$out"/swancage-*-windows-x86_64.zip)"
fi

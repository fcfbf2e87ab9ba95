#!/usr/bin/env bash
# Makes sure everything that building, running and testing swancage needs is there: it checks for
# the commands, pkg-config modules, headers and drivers themselves, whatever package provided them.
# Where apt-get exists, it installs the Debian packages for what is missing (as root, or through
# sudo). Elsewhere it exits 1 with one list of what to install.
# usage: install-deps.sh [run|web|all] [--list]
#   run    only what building and running the two programs needs (scripts/run.sh)
#   web    only what building and serving the page needs (scripts/web.sh)
#   all    both, and every test stack besides (the default; scripts/test.sh)
#   --list prints the Debian packages of the mode's checks, one a line, and checks nothing
set -euo pipefail
mode=all list=0
for arg in "$@"; do
  case "$arg" in
    run | web | all) mode=$arg ;;
    --list) list=1 ;;
    *) echo "usage: install-deps.sh [run|web|all] [--list]" >&2 && exit 2 ;;
  esac
done

have_command() { command -v "$1" >/dev/null 2>&1; }
have_module() { have_command pkg-config && pkg-config --exists "$@" 2>/dev/null; }
have_header() { echo "#include <$1>" | c++ -E -x c++ - >/dev/null 2>&1; }
have_file() {  # any of the globs names an existing file
  local glob
  for glob in "$@"; do compgen -G "$glob" >/dev/null && return 0; done
  return 1
}
have_library() { /sbin/ldconfig -p 2>/dev/null | grep -F "$1" >/dev/null; }  # all read: no SIGPIPE
have_commands() { local c; for c in "$@"; do have_command "$c" || return 1; done; }
# groff's default device; groff-base has the command but not the device.
have_groff_ps() { have_command groff && [[ -z $(groff -man -ww -z </dev/null 2>&1) ]]; }
have_sdl12() { have_module sdl || have_module sdl12_compat; }

# Each need: the check, the Debian package that satisfies it, and what to look for elsewhere.
missing_packages=() missing_needs=()
need() {
  local package=$1 what=$2
  shift 2
  ((list)) && echo "$package" && return
  "$@" && return
  missing_packages+=("$package")
  missing_needs+=("$what")
}
need cmake "cmake (3.19 or newer)" have_command cmake
# What building and serving the page needs: Emscripten (with node) and a web server.
if [[ $mode != run ]]; then
  need emscripten "Emscripten (emcmake, em++) and node, for the page" have_commands emcmake em++ node
  need python3 "python3, whose http.server serves the page" have_command python3
fi
# What building and running the two programs needs: the build tools, the libraries, a GL driver.
if [[ $mode != web ]]; then
need build-essential "a C++17 compiler (c++) and make" have_commands c++ make
need pkg-config "pkg-config" have_command pkg-config
# SDL 1.2 itself, or sdl12-compat's development files, which also provide sdl.pc.
need libsdl1.2-dev "SDL 1.2 development files (pkg-config module sdl or sdl12_compat)" have_sdl12
need libglew-dev "GLEW development files (pkg-config module glew)" have_module glew
need libgl-dev "OpenGL development files (pkg-config module gl)" have_module gl
need libglu1-mesa-dev "GLU development files (pkg-config module glu)" have_module glu
need libpng-dev "libpng development files (pkg-config module libpng)" have_module libpng
need libx11-dev "Xlib development files (pkg-config module x11)" have_module x11
need libegl-dev "EGL development files (pkg-config module egl)" have_module egl
need libgl1-mesa-dri "Mesa's OpenGL drivers (swrast_dri.so)" \
  have_file '/usr/lib/*-linux-gnu/dri/swrast_dri.so' '/usr/lib64/dri/swrast_dri.so' \
  '/usr/lib/dri/swrast_dri.so'
fi

# What the tests need besides: GoogleTest and Google Benchmark, the other stacks, X clients.
if [[ $mode == all ]]; then
  need libgtest-dev "GoogleTest (header gtest/gtest.h), for the tests" have_header gtest/gtest.h
  need libbenchmark-dev "Google Benchmark (header benchmark/benchmark.h), for a benchmark" \
    have_header benchmark/benchmark.h
  need mesa-vulkan-drivers "Mesa's Vulkan drivers with lavapipe (lvp_icd), for the zink tests" \
    have_file '/usr/share/vulkan/icd.d/lvp_icd*.json'
  need libsdl2-2.0-0 "SDL 2 (libSDL2-2.0.so.0), for the sdl12-compat tests" \
    have_library libSDL2-2.0.so.0
  need xvfb "Xvfb and xvfb-run" have_commands Xvfb xvfb-run
  need xauth "xauth" have_command xauth
  need xdotool "xdotool" have_command xdotool
  need x11-utils "X utilities (xprop, xwininfo)" have_commands xprop xwininfo
  need weston "weston, for the native Wayland tests" have_commands weston weston-screenshooter
  need openbox "openbox, a window manager for the compositing tests" have_command openbox
  need picom "picom, a compositing manager for the compositing tests" have_command picom
  need imagemagick "ImageMagick (import, convert)" have_commands import convert
  need strace "strace, for watching the names the snapshot gives its file" have_command strace
  need chromium "Chromium, the browser the page's tests drive (headless, WebGL 2 on SwiftShader)" \
    have_command chromium
  need chromium-driver "chromedriver, through which the page's tests drive Chromium" \
    have_command chromedriver
  need mingw-w64 "MinGW-w64 (x86_64-w64-mingw32-g++-posix), for the Windows build" \
    have_command x86_64-w64-mingw32-g++-posix
  need wine "Wine (wine, wineserver, wineboot), which runs the Windows build's tests" \
    have_commands wine wineserver wineboot
  need wine64 "Wine's 64-bit loader, for the Windows build's tests" \
    have_file /usr/lib/wine/wine64 '/usr/lib/x86_64-linux-gnu/wine/*' /usr/bin/wine64
  need glslang-tools "glslangValidator, the reference GLSL ES compiler, for the web texts" \
    have_command glslangValidator
  # The install tests: man pages rendered with warnings (groff-base lacks parts of groff), read
  # with man; the desktop entry validated; the Debian package built (dpkg-shlibdeps, file) and
  # checked.
  need groff "groff with its PostScript device, for checking the man pages (groff -man -ww -z)" \
    have_groff_ps
  need man-db "man, for reading the man pages" have_command man
  need desktop-file-utils "desktop-file-validate" have_command desktop-file-validate
  need dpkg-dev "dpkg-shlibdeps and dpkg-parsechangelog, for the Debian package" \
    have_commands dpkg-shlibdeps dpkg-parsechangelog
  need file "file, for the Debian package" have_command file
  need lintian "lintian, for checking the Debian package" have_command lintian
fi
((list)) && exit 0

if ! have_command apt-get; then
  [[ ${#missing_needs[@]} -eq 0 ]] && exit 0
  echo "install-deps: this system has no apt-get; install these with its package manager:" >&2
  printf '  - %s\n' "${missing_needs[@]}" >&2
  [[ $mode != all ]] ||
    echo "(the sdl12-compat tests also need apt-get and dpkg-deb to fetch sdl12-compat)" >&2
  exit 1
fi

# The sdl12-compat tests fetch its Debian package themselves; apt must know of it. Running the
# programs, or the page, does not need it.
apt_knows_sdl12_compat() { [[ $mode != all ]] || apt-cache show libsdl1.2-compat >/dev/null 2>&1; }
[[ ${#missing_packages[@]} -eq 0 ]] && apt_knows_sdl12_compat && exit 0

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif have_command sudo; then
  sudo=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing_packages[*]:-(package lists only)}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
mapfile -t unique < <(printf '%s\n' "${missing_packages[@]}" | sort -u)
[[ ${#missing_packages[@]} -eq 0 ]] || echo "installing: ${unique[*]} (with apt-get)..."
"${sudo[@]}" apt-get update -qq
apt_knows_sdl12_compat || echo "install-deps: apt has no libsdl1.2-compat; the sdl12-compat tests will fail" >&2
[[ ${#missing_packages[@]} -eq 0 ]] && exit 0
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${unique[@]}" >/dev/null

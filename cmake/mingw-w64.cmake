# Cross-building the two programs and their tests for 64-bit Windows with Debian's MinGW-w64 (GCC,
# the POSIX threads flavour, which std::thread needs), against the libraries that
# scripts/build-windows.sh builds into SWANCAGE_WINDOWS_DEPS. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(SWANCAGE_WINDOWS_DEPS "" CACHE PATH "Where scripts/build-windows.sh installed the libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${mingw} ${SWANCAGE_WINDOWS_DEPS})
set(CMAKE_PREFIX_PATH ${SWANCAGE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Whole programs, with the C and C++ runtimes and winpthreads inside: nothing to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/lib/wine.sh)
# M_PI and its kin, which glibc's headers give without asking.
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# SPDX-License-Identifier: MIT
# What the two MinGW-w64 toolchains share. The programs link statically (they need KERNEL32 and
# msvcrt only) and run under wine, which is what the tests are run with.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SHA1TESTER_MINGW_TRIPLET})
set(CMAKE_C_COMPILER ${SHA1TESTER_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SHA1TESTER_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SHA1TESTER_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SHA1TESTER_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No link time in the programs' headers: two builds give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# Tests and the programs' checks run the .exe through wine.
if(SHA1TESTER_MINGW_TRIPLET MATCHES "^x86_64")
  find_program(SHA1TESTER_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
else()
  find_program(SHA1TESTER_WINE NAMES wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
endif()
if(SHA1TESTER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SHA1TESTER_WINE})
endif()

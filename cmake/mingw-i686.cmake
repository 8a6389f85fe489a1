# SPDX-License-Identifier: MIT
# Cross-building the Windows programs with Debian's MinGW-w64 (32-bit, POSIX threads).
set(SHA1TESTER_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

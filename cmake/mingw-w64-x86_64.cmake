# Cross-compiles the Windows executable on Linux with mingw-w64 (Debian:
# g++-mingw-w64-x86-64-win32 or -posix):
#   cmake -S . -B build-mingw -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# A cross build leaves the tests out by itself (CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FXDEMO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FXDEMO_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${FXDEMO_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${FXDEMO_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${FXDEMO_MINGW_TRIPLET}-dlltool)

# Headers and libraries come from the mingw-w64 tree only; programs run on
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${FXDEMO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Cross-compiles the 64-bit Windows executable on Linux with mingw-w64
# (Debian: g++-mingw-w64-x86-64-win32 or -posix):
#   cmake -S . -B build-mingw -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# A cross build leaves the tests out by itself (CMakeLists.txt).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FXDEMO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Cross-compiles the 32-bit Windows executable, the reference build, on Linux
# with mingw-w64 (Debian: g++-mingw-w64-i686-win32 or -posix):
#   cmake -S . -B build-mingw-i686 -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# A cross build leaves the tests out by itself (CMakeLists.txt).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FXDEMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

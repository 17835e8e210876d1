# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64, binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TORVEL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

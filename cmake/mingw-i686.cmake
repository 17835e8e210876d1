# Cross build for 32-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-i686, binutils-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TORVEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

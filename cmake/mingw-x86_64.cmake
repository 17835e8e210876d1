# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64, binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TORVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TORVEL_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${TORVEL_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${TORVEL_MINGW_PREFIX}-windres)
set(CMAKE_AR ${TORVEL_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TORVEL_MINGW_PREFIX}-ranlib CACHE FILEPATH "")
set(CMAKE_DLLTOOL ${TORVEL_MINGW_PREFIX}-dlltool CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${TORVEL_MINGW_PREFIX}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Package configurations are looked for on CMAKE_PREFIX_PATH as given too, so
# that an unpacked Windows package (such as torvelapi's own release package)
# is found where it lies.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

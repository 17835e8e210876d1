# What the toolchain files for 32-bit and 64-bit Windows share: Debian's
# MinGW-w64 cross tools of the prefix that the including file sets
# (TORVEL_MINGW_PREFIX), and where they find the target's files.
set(CMAKE_SYSTEM_NAME Windows)
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

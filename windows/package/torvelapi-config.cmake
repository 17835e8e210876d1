# torvelapi's package configuration: find_package(torvelapi CONFIG), with the
# unpacked package's folder on CMAKE_PREFIX_PATH, gives the imported target
# torvelapi::torvelapi for the architecture of the consuming build: x64/ for
# a 64-bit build, x86/ for a 32-bit one. It links the import library that the
# build's toolchain takes (torvelapi.lib for Microsoft's linker and
# clang-cl, libtorvelapi.dll.a for MinGW) and brings the header's folder.
get_filename_component(_torvelapi_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(NOT CMAKE_SIZEOF_VOID_P)
  set(torvelapi_FOUND FALSE)
  set(torvelapi_NOT_FOUND_MESSAGE "torvelapi: enable the C or C++ language before find_package")
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_torvelapi_arch x64)
else()
  set(_torvelapi_arch x86)
endif()
if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
  set(_torvelapi_implib "${_torvelapi_root}/${_torvelapi_arch}/torvelapi.lib")
else()
  set(_torvelapi_implib "${_torvelapi_root}/${_torvelapi_arch}/libtorvelapi.dll.a")
endif()

if(NOT TARGET torvelapi::torvelapi)
  add_library(torvelapi::torvelapi SHARED IMPORTED)
  set_target_properties(torvelapi::torvelapi PROPERTIES
    IMPORTED_LOCATION "${_torvelapi_root}/${_torvelapi_arch}/torvelapi.dll"
    IMPORTED_IMPLIB "${_torvelapi_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_torvelapi_root}/include")
endif()
set(torvelapi_DLL "${_torvelapi_root}/${_torvelapi_arch}/torvelapi.dll")
unset(_torvelapi_root)
unset(_torvelapi_arch)
unset(_torvelapi_implib)

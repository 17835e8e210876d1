# The library's sources, the same for the host build and for torvelapi.dll.
set(TORVEL_LIBRARY_SOURCES
  api/call_frame.cpp
  api/dll_main.cpp
  api/exports.cpp
  card/bus.cpp
  card/driver.cpp
  commands/mode.cpp
  commands/rds.cpp
  commands/tuning.cpp)
list(TRANSFORM TORVEL_LIBRARY_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

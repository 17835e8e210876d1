# The simulated card and the host's stand-in for the Win32 calls, built
# beneath the library's sources wherever the library runs on the host.
set(TORVEL_SIM_SOURCES
  bus_decoder.cpp
  card.cpp
  chips.cpp
  clock.cpp
  driver.cpp
  faults.cpp
  message_box.cpp
  recording.cpp
  vcd.cpp
  win32.cpp)
list(TRANSFORM TORVEL_SIM_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

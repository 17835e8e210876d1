# torvelctl's sources, the same for the host build and for torvelctl.exe:
# reading the command line, running it, and the simulated card's extras (which
# a build for the real card compiles to nothing). main.cpp only hands its
# arguments over, so the tests link the rest.
set(TORVELCTL_SOURCES
  command_line.cpp
  simulated_card.cpp
  torvelctl.cpp)
list(TRANSFORM TORVELCTL_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
set(TORVELCTL_MAIN ${CMAKE_CURRENT_LIST_DIR}/main.cpp)

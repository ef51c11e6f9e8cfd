# Pieces of the Windows (MinGW-w64) build that the Linux build gets from the system.

# CLI11 is header-only: Debian's copy serves the cross build too. Only its own folder goes on
# the include path (never /usr/include, whose glibc headers must stay out of a Windows build).
find_path(DIVUZO_CLI11_HEADER CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(DIVUZO_CLI11_INCLUDE ${PROJECT_BINARY_DIR}/cli11-include)
file(COPY ${DIVUZO_CLI11_HEADER}/CLI DESTINATION ${DIVUZO_CLI11_INCLUDE})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${DIVUZO_CLI11_INCLUDE})

# The build-time generators (agent files and scat.txt, the sample image, the version resource) and the Linux programs
# the Wine tests talk to (divuzo-vdev on a pseudo-terminal, divuzo for the wire comparison)
# run on the build host: a native build of the same sources beside this one.
include(ExternalProject)
set(DIVUZO_HOST_DIR ${PROJECT_BINARY_DIR}/host)
set(DIVUZO_HOST_BROMGEN ${DIVUZO_HOST_DIR}/bin/divuzo-bromgen)
set(DIVUZO_HOST_CLI ${DIVUZO_HOST_DIR}/bin/divuzo)
set(DIVUZO_HOST_VDEV ${DIVUZO_HOST_DIR}/bin/divuzo-vdev)
set(DIVUZO_HOST_VERRES ${DIVUZO_HOST_DIR}/src/divuzo-verres)
find_program(DIVUZO_HOST_CXX NAMES c++ g++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(DIVUZO_HOST_CC NAMES cc gcc NO_CMAKE_FIND_ROOT_PATH REQUIRED)
ExternalProject_Add(divuzo_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${DIVUZO_HOST_DIR}
  CMAKE_ARGS
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_C_COMPILER=${DIVUZO_HOST_CC} -DCMAKE_CXX_COMPILER=${DIVUZO_HOST_CXX}
    -DDIVUZO_BUILD_GUI=OFF -DDIVUZO_BUILD_TESTS=OFF -DDIVUZO_BUILD_BENCH=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target divuzo-bromgen divuzo divuzo-vdev divuzo-verres
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${DIVUZO_HOST_BROMGEN} ${DIVUZO_HOST_CLI} ${DIVUZO_HOST_VDEV} ${DIVUZO_HOST_VERRES})

# Windows programs run by ctest go through Wine in a prefix of this build's own.
set(DIVUZO_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${DIVUZO_WINEPREFIX})

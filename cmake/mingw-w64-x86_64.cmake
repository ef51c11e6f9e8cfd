# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix-thread variant, so that
# std::thread and std::mutex work). Programs run on the build host through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DIVUZO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DIVUZO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DIVUZO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DIVUZO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DIVUZO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and the build's own runs of Windows programs go through Wine in a private prefix
# (cmake/wine-run.sh makes it on first use).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

# Cross-building the Windows command line and its tests on Debian with MinGW-w64 (package
# g++-mingw-w64-x86-64). The POSIX thread flavour of the compiler, so that std::thread and
# std::mutex exist; everything linked statically, so that the programs need no DLL beyond
# the system's. Tests run through Wine (cmake/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PELMAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELMAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELMAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PELMAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELMAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Where Wine keeps its prefix for this build: a fresh one in the build folder.
set(PELMAR_WINEPREFIX "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Wine prefix in which the tests run")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${PELMAR_WINEPREFIX}")

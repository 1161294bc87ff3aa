# Cross-building for Windows with Debian's mingw-w64 (the POSIX-threads compilers).
# CAPSPECT_WINDOWS_ARCH picks the target: x86_64 (default) or i686.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT DEFINED CAPSPECT_WINDOWS_ARCH)
    set(CAPSPECT_WINDOWS_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${CAPSPECT_WINDOWS_ARCH})
set(triple ${CAPSPECT_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs and generators of the build run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)

# 64-bit Windows programs built on Linux with mingw-w64. Tests start them under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64})
endif()

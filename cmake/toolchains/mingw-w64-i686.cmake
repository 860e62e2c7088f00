# 32-bit Windows programs built on Linux with mingw-w64. Tests start them under the 32-bit
# Wine loader (Debian's wine32:i386), on machines whose kernel runs 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

find_program(WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(WINE32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE32})
endif()

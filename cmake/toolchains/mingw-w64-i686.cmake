# 32-bit Windows programs built on Linux with mingw-w64. A 64-bit Linux kernel may refuse to
# run them under Wine, so this build is for shipping, not for running the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

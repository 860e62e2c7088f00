# 64-bit ARM Linux programs, built with Debian's cross compiler and tested under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(cross_triplet aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)

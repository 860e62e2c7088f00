# IBM Z Linux programs, a big-endian machine, built with Debian's cross compiler and tested
# under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(cross_triplet s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-common.cmake)

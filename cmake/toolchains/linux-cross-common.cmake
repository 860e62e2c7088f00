# What the Linux cross builds share; the including file sets CMAKE_SYSTEM_PROCESSOR and
# cross_triplet. Tests start the programs under qemu-user, with the cross compiler's sysroot
# for their shared libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${cross_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${cross_triplet}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${cross_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QEMU qemu-${CMAKE_SYSTEM_PROCESSOR} NO_CMAKE_FIND_ROOT_PATH)
if(QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU} -L /usr/${cross_triplet})
endif()

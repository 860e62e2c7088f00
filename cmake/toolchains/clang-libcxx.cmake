# Clang with LLVM's C++ library, libc++, the one macOS and FreeBSD ship. Everything C++ that a
# build links must be built with the same library: GoogleTest is built from its sources here,
# and Google Benchmark, installed for libstdc++, is left out.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-stdlib=libc++")
set(FETCHCONTENT_TRY_FIND_PACKAGE_MODE NEVER)
set(INVERSIONS_BUILD_BENCHMARKS OFF CACHE BOOL "")

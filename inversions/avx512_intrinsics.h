// The AVX-512 intrinsics, for the files with a vector path, where it is compiled in.
#pragma once

#include "inversions/processor.h"

#ifdef INVERSIONS_AVX512
// GCC 12's own intrinsics read a deliberately undefined vector, which it then warns of (fixed
// in GCC 13).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#endif

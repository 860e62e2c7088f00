// The processor's own vector instructions, for the parts of the program that have a path for
// them beside their portable one (the merge, the number writer): which of them this processor
// has, checked once at start-up, and a setting that forces the portable paths, so that tests
// can run both paths on a processor that has both. The packages run on any x86-64, so nothing
// is assumed of the processor at build time.
#pragma once

// GCC and clang compile functions for AVX-512 inside a build for any x86-64. Not for Windows:
// there GCC aligns the stack to 16 bytes only, and a 64-byte vector spilled to it would fault.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define INVERSIONS_AVX512 1
#endif

// Whether the merge takes its vector path: the processor has AVX-512 (F), and the portable
// paths are not forced.
bool vector_merge_chosen();

// Whether the writer takes its vector path: AVX-512 F, BW and VBMI2, and not forced portable.
bool vector_writer_chosen();

// Makes every part take its portable path (true) or the best the processor has (false).
void force_portable_paths(bool portable);

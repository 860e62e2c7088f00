// The number writer's vector path: AVX-512 (F, BW and VBMI2) on the x86-64 processors that
// have it, chosen at run time (inversions/processor.h); elsewhere the portable writer alone.
#pragma once

#include <cstdint>

// The room write_sixteen_by_vectors needs: 16 numbers of up to 12 characters, and the 64
// bytes that its last store may reach beyond them.
inline constexpr int sixteen_numbers_room = 16 * 12 + 64;

// Writes values[0 .. 15] in decimal, each followed by one space, exactly as write_number
// would, and returns the end of what it wrote. Only where vector_writer_chosen().
char* write_sixteen_by_vectors(char* out, const std::int32_t* values);

// The merge's vector path: AVX-512 on the x86-64 processors that have it, chosen at run time
// (inversions/processor.h). Every other processor, and any build where the path is not
// compiled in, takes the portable merge alone.
#pragma once

#include <cstddef>
#include <cstdint>

// One part of a long merge, split off at a merge-path crossing: its two runs, its place in the
// destination, and how far its merge has got: i left and j right elements placed, with total
// pairs (x from left, y from right, x > y) among them.
struct MergePart {
    const std::int32_t* left;
    std::ptrdiff_t left_count;
    const std::int32_t* right;
    std::ptrdiff_t right_count;
    std::int32_t* destination;
    std::ptrdiff_t i;
    std::ptrdiff_t j;
    std::int64_t total;
};

// The parts that the vector path merges side by side, their chains independent of each other.
inline constexpr int vector_merge_parts = 4;

// Advances each of vector_merge_parts parts 16 places at a time while both of its runs have at
// least 16 elements left; the caller merges what is left. Only where vector_merge_chosen().
void advance_parts_by_vectors(MergePart* parts);

#include "inversions/vector_merge.h"

#include <bit>

#include "inversions/avx512_intrinsics.h"

namespace {

#ifdef INVERSIONS_AVX512

// Compiled for AVX-512 whatever the build's own target; the steps inlined into the loop that
// runs them, so that the parts' vectors stay in registers.
#define FOR_AVX512 __attribute__((target("avx512f,popcnt")))
#define FOR_AVX512_INLINE inline __attribute__((target("avx512f,popcnt"), always_inline))

constexpr int lanes = 16;

FOR_AVX512_INLINE __m512i lane_numbers() {
    return _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}

// Sorts a bitonic sequence of 16: each stage compares every lane with the one d lanes away,
// the lower lane keeping the smaller.
FOR_AVX512_INLINE __m512i sort_bitonic(__m512i values) {
    const __m512i lane = lane_numbers();
#pragma GCC unroll 4
    for (int d = 8; d >= 1; d /= 2) {
        const __m512i partners =
            _mm512_permutexvar_epi32(_mm512_xor_si512(lane, _mm512_set1_epi32(d)), values);
        const __m512i smaller = _mm512_min_epi32(values, partners);
        const __m512i larger = _mm512_max_epi32(values, partners);
        const __mmask16 upper = _mm512_test_epi32_mask(lane, _mm512_set1_epi32(d));
        values = _mm512_mask_blend_epi32(upper, smaller, larger);
    }
    return values;
}

// For each lane of y, how many elements of the ascending x are not greater, up to 15: a binary
// search in every lane at once, over the register. A right element with all 16 before it is
// never placed in this step (then a = 16), so its count is never used.
FOR_AVX512_INLINE __m512i not_greater_counts(__m512i x, __m512i y) {
    __m512i count = _mm512_setzero_si512();
#pragma GCC unroll 4
    for (int step = 8; step >= 1; step /= 2) {
        const __m512i probe =
            _mm512_permutexvar_epi32(_mm512_add_epi32(count, _mm512_set1_epi32(step - 1)), x);
        count = _mm512_mask_add_epi32(count, _mm512_cmple_epi32_mask(probe, y), count,
                                      _mm512_set1_epi32(step));
    }
    return count;
}

// One step of a part: the 16 smallest of the next 16 of each run are the next 16 of the
// merge. Of x[k] and y[15 - k], x[k] is placed first when not greater (x[k] then has at most
// 15 - k right elements before it), so the compare of x with y reversed counts the left
// elements placed, a. Every left element placed has the j right elements placed earlier before
// it, and the pairs among the 16 are a * b less the pairs x[k] <= y[m] of the b right elements
// placed, summed in seen lane by lane.
FOR_AVX512_INLINE void advance(MergePart& part, __m512i& seen) {
    const __m512i x = _mm512_loadu_si512(part.left + part.i);
    const __m512i y = _mm512_loadu_si512(part.right + part.j);
    const __m512i y_reversed =
        _mm512_permutexvar_epi32(_mm512_sub_epi32(_mm512_set1_epi32(lanes - 1), lane_numbers()), y);
    const __mmask16 lefts_placed = _mm512_cmple_epi32_mask(x, y_reversed);
    const int a = std::popcount(static_cast<unsigned>(lefts_placed));
    const int b = lanes - a;
    _mm512_storeu_si512(part.destination + part.i + part.j,
                        sort_bitonic(_mm512_min_epi32(x, y_reversed)));
    const auto rights_placed = static_cast<__mmask16>((1U << b) - 1);
    seen = _mm512_mask_add_epi32(seen, rights_placed, seen, not_greater_counts(x, y));
    part.total += std::int64_t{a} * (part.j + b);
    part.i += a;
    part.j += b;
}

FOR_AVX512_INLINE bool can_advance(const MergePart& part) {
    return part.left_count - part.i >= lanes && part.right_count - part.j >= lanes;
}

// A lane of seen gains at most 16 a step, and a part takes at most 2^31 / 16 steps, so the
// lanes cannot overflow as unsigned 32-bit sums.
FOR_AVX512_INLINE std::int64_t lane_sum(__m512i seen) {
    const __m512i low = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(seen));
    const __m512i high = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(seen, 1));
    return _mm512_reduce_add_epi64(_mm512_add_epi64(low, high));
}

FOR_AVX512_INLINE bool all_can_advance(const MergePart* parts) {
    bool all = true;
#pragma GCC unroll 4
    for (int p = 0; p < vector_merge_parts; ++p) {
        all &= can_advance(parts[p]);
    }
    return all;
}

// The parts are worked on in copies of their own, which the compiler keeps in registers.
FOR_AVX512 void advance_all(MergePart* parts) {
    MergePart own[vector_merge_parts];
    __m512i seen[vector_merge_parts];
#pragma GCC unroll 4
    for (int p = 0; p < vector_merge_parts; ++p) {
        own[p] = parts[p];
        seen[p] = _mm512_setzero_si512();
    }
    while (all_can_advance(own)) {
#pragma GCC unroll 4
        for (int p = 0; p < vector_merge_parts; ++p) {
            advance(own[p], seen[p]);
        }
    }
    for (int p = 0; p < vector_merge_parts; ++p) {
        while (can_advance(own[p])) {
            advance(own[p], seen[p]);
        }
        own[p].total -= lane_sum(seen[p]);
        parts[p] = own[p];
    }
}

#endif

}  // namespace

void advance_parts_by_vectors(MergePart* parts) {
#ifdef INVERSIONS_AVX512
    advance_all(parts);
#else
    static_cast<void>(parts);
#endif
}

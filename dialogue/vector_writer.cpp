#include "dialogue/vector_writer.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "inversions/avx512_intrinsics.h"

#ifdef INVERSIONS_AVX512

// Compiled for these instructions whatever the build's own target.
#define FOR_WRITER __attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt")))
#define FOR_WRITER_INLINE \
    inline __attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt"), always_inline))

namespace {

// x / d for every 32-bit x in each 32-bit lane, as (x * m) >> shift on the even and the odd
// lanes' 64-bit products: m = ceil(2^shift / d), checked for every x the lanes hold.
FOR_WRITER_INLINE __m512i divide(__m512i x, long long m, unsigned shift) {
    const __m512i by = _mm512_set1_epi64(m);
    const __m512i even = _mm512_srli_epi64(_mm512_mul_epu32(x, by), shift);
    const __m512i odd = _mm512_srli_epi64(_mm512_mul_epu32(_mm512_srli_epi64(x, 32), by), shift);
    return _mm512_or_si512(even, _mm512_slli_epi64(odd, 32));
}

// Each lane's x below 10^4 as four digit characters, the first in the lowest byte: hundreds,
// then tens, by multiplies by reciprocals, as the portable writer does a word at a time.
FOR_WRITER_INLINE __m512i four_digits(__m512i x) {
    const __m512i hundreds = _mm512_srli_epi32(_mm512_mullo_epi32(x, _mm512_set1_epi32(5243)), 19);
    const __m512i pairs = _mm512_or_si512(
        hundreds,
        _mm512_slli_epi32(_mm512_sub_epi32(x, _mm512_mullo_epi32(hundreds, _mm512_set1_epi32(100))),
                          16));
    const __m512i tens = _mm512_srli_epi16(_mm512_mullo_epi16(pairs, _mm512_set1_epi16(103)), 10);
    const __m512i ones = _mm512_sub_epi16(pairs, _mm512_mullo_epi16(tens, _mm512_set1_epi16(10)));
    return _mm512_or_si512(_mm512_or_si512(tens, _mm512_slli_epi16(ones, 8)),
                           _mm512_set1_epi32(0x30303030));
}

}  // namespace

// Every number is laid out in a 16-byte slot of its own, '-', ten digits with the leading
// zeros, ' ', then packed by one compress per four slots, which keeps the sign where the number
// is negative, its digits from the first that is not a leading zero, and the space.
FOR_WRITER char* write_sixteen_by_vectors(char* out, const std::int32_t* values) {
    const __m512i value = _mm512_loadu_si512(values);
    const __mmask16 negative = _mm512_cmplt_epi32_mask(value, _mm512_setzero_si512());
    const __m512i magnitude = _mm512_abs_epi32(value);  // -2^31 as 2^31, unsigned

    // The bytes each slot keeps: 11 - digits to 10 and the space's 11; the sign's 0 where
    // negative.
    __m512i digits = _mm512_set1_epi32(1);
    std::uint32_t power = 10;
    for (int k = 1; k <= 9; ++k, power *= 10) {
        const __mmask16 more =
            _mm512_cmpge_epu32_mask(magnitude, _mm512_set1_epi32(static_cast<int>(power)));
        digits = _mm512_mask_add_epi32(digits, more, digits, _mm512_set1_epi32(1));
    }
    __m512i keep = _mm512_sub_epi32(
        _mm512_set1_epi32(1 << 12),
        _mm512_sllv_epi32(_mm512_set1_epi32(1), _mm512_sub_epi32(_mm512_set1_epi32(11), digits)));
    keep = _mm512_mask_or_epi32(keep, negative, keep, _mm512_set1_epi32(1));
    std::uint16_t keeps[16];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(keeps), _mm512_cvtepi32_epi16(keep));

    // Lane 4g + r takes number 4r + g, so that transposing each 128-bit group below leaves
    // the slots of four numbers in order in each of four registers.
    const __m512i order = _mm512_set_epi32(15, 11, 7, 3, 14, 10, 6, 2, 13, 9, 5, 1, 12, 8, 4, 0);
    const __m512i placed = _mm512_permutexvar_epi32(order, magnitude);
    const __m512i first_two = divide(placed, 2882303762, 58);  // / 10^8
    const __m512i last_eight =
        _mm512_sub_epi32(placed, _mm512_mullo_epi32(first_two, _mm512_set1_epi32(100000000)));
    const __m512i upper_four = divide(last_eight, 109951163, 40);  // / 10^4
    const __m512i lower_four =
        _mm512_sub_epi32(last_eight, _mm512_mullo_epi32(upper_four, _mm512_set1_epi32(10000)));
    const __m512i first_tens =
        _mm512_srli_epi32(_mm512_mullo_epi32(first_two, _mm512_set1_epi32(103)), 10);
    const __m512i first_ones =
        _mm512_sub_epi32(first_two, _mm512_mullo_epi32(first_tens, _mm512_set1_epi32(10)));
    const __m512i upper = four_digits(upper_four);
    const __m512i lower = four_digits(lower_four);

    // The slot's four words: '-' and three digits; four digits; three digits and ' '; nothing.
    const __m512i word0 = _mm512_or_si512(
        _mm512_or_si512(_mm512_slli_epi32(first_tens, 8), _mm512_slli_epi32(first_ones, 16)),
        _mm512_or_si512(_mm512_set1_epi32(0x0030302D), _mm512_slli_epi32(upper, 24)));
    const __m512i word1 =
        _mm512_or_si512(_mm512_srli_epi32(upper, 8), _mm512_slli_epi32(lower, 24));
    const __m512i word2 =
        _mm512_or_si512(_mm512_srli_epi32(lower, 8), _mm512_set1_epi32(0x20000000));
    const __m512i word3 = _mm512_setzero_si512();
    const __m512i low01 = _mm512_unpacklo_epi32(word0, word1);
    const __m512i high01 = _mm512_unpackhi_epi32(word0, word1);
    const __m512i low23 = _mm512_unpacklo_epi32(word2, word3);
    const __m512i high23 = _mm512_unpackhi_epi32(word2, word3);
    const __m512i slots[4] = {
        _mm512_unpacklo_epi64(low01, low23), _mm512_unpackhi_epi64(low01, low23),
        _mm512_unpacklo_epi64(high01, high23), _mm512_unpackhi_epi64(high01, high23)};
    for (std::ptrdiff_t r = 0; r < 4; ++r) {
        std::uint64_t kept = 0;
        std::memcpy(&kept, keeps + 4 * r, sizeof kept);
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(kept, slots[r]));
        out += std::popcount(kept);
    }
    return out;
}

#else

char* write_sixteen_by_vectors(char* out, const std::int32_t* values) {
    static_cast<void>(values);
    return out;
}

#endif

// Counting the inversions of a list while merge-sorting it.
//
// An inversion is a pair of positions i < j with values[i] > values[j]. Equal values never form
// one. The total is 64 bits wide: a list of 2^31 - 1 elements can hold about 2.3e18 inversions,
// far beyond 32 bits but well within 64.
#pragma once

#include <cstdint>

// Returned by count_inversions when scratch storage could not be obtained. Real totals are
// never negative, so it cannot be mistaken for one.
inline constexpr std::int64_t scratch_unavailable = -1;

// Sorts values[0 .. count-1] into ascending order, in place and stably, and returns the number
// of inversions the array held on entry. A count below 2 returns 0 and touches nothing.
// Returns scratch_unavailable, with the array left exactly as it was, when scratch storage for
// the sort cannot be obtained.
std::int64_t count_inversions(std::int32_t* values, std::int32_t count);

// Merges the ascending runs left[0 .. left_count-1] and right[0 .. right_count-1] into
// destination, which must hold left_count + right_count elements and overlap neither run.
// Returns the number of pairs (x from left, y from right) with x > y. Ties take the left element
// first, so the merge is stable.
std::int64_t merge_and_count(const std::int32_t* left, std::int32_t left_count,
                             const std::int32_t* right, std::int32_t right_count,
                             std::int32_t* destination);

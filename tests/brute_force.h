// The inversion count the slow, obvious way: every pair looked at. Tests check the merge sort's
// count against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::int64_t count_pairs_by_brute_force(const std::vector<std::int32_t>& values) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = i + 1; j < values.size(); ++j) {
            total += values[i] > values[j] ? 1 : 0;
        }
    }
    return total;
}

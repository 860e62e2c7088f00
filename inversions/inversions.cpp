#include "inversions/inversions.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

namespace {

using Scratch = std::unique_ptr<std::int32_t[]>;

// Fresh, uninitialised storage: every slot is overwritten by the copy that follows.
Scratch obtain_scratch(std::int32_t count) {
    return Scratch(new (std::nothrow) std::int32_t[static_cast<std::size_t>(count)]);
}

}  // namespace

std::int64_t count_inversions(std::int32_t* values, std::int32_t count) {
    if (count < 2) {
        return 0;
    }
    // For an odd count the left half is the shorter one.
    const std::int32_t half = count / 2;
    const std::int32_t rest = count - half;

    Scratch left = obtain_scratch(half);
    Scratch right = obtain_scratch(rest);
    if (!left || !right) {
        return scratch_unavailable;
    }
    std::copy(values, values + half, left.get());
    std::copy(values + half, values + count, right.get());

    // The left half finishes, releasing all of its own scratch, before the right half starts.
    const std::int64_t left_total = count_inversions(left.get(), half);
    if (left_total == scratch_unavailable) {
        return scratch_unavailable;
    }
    const std::int64_t right_total = count_inversions(right.get(), rest);
    if (right_total == scratch_unavailable) {
        return scratch_unavailable;
    }
    // Only this merge writes to values, so a failure above leaves the caller's array untouched.
    const std::int64_t split_total = merge_and_count(left.get(), half, right.get(), rest, values);

    // Released in the order obtained: left, then right.
    left.reset();
    right.reset();
    return left_total + right_total + split_total;
}

std::int64_t merge_and_count(const std::int32_t* left, std::int32_t left_count,
                             const std::int32_t* right, std::int32_t right_count,
                             std::int32_t* destination) {
    // i and j of the textbook merge, as pointers; destination stands for k.
    const std::int32_t* i = left;
    const std::int32_t* j = right;
    const std::int32_t* const left_end = left + left_count;
    const std::int32_t* const right_end = right + right_count;
    std::int64_t total = 0;
    // Branch-free: which run gives the next element is data rather than control flow, so
    // random input costs no mispredicted branches.
    while (i != left_end && j != right_end) {
        const bool take_right = *i > *j;
        *destination++ = take_right ? *j : *i;
        // Every left element still waiting is at least *i, so all of them exceed *j.
        total += static_cast<std::int64_t>(take_right) * (left_end - i);
        i += !take_right;
        j += take_right;
    }
    // At most one of the runs has anything left.
    destination = std::copy(i, left_end, destination);
    std::copy(j, right_end, destination);
    return total;
}

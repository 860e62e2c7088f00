#include "inversions/inversions.h"

#include <algorithm>
#include <cstddef>

#include "inversions/memory.h"

namespace {

using Scratch = HeapBlock<std::int32_t>;

// Fresh, uninitialised storage: every slot is overwritten by the copy that follows.
Scratch obtain_scratch(std::int32_t count) {
    return obtain_block<std::int32_t>(static_cast<std::size_t>(count));
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

// The merge works from both ends at once: each step places the smallest element not yet placed
// at the front and the largest at the back, two independent chains that meet in the middle.
// Both follow the same stable order, ties taken from the left at the front and from the right
// at the back, so no element is placed twice. While neither chain has taken more than
// min(left_count, right_count) elements, neither can run off the end of a run, so the steps
// need no bound checks; what is left between the chains is merged in the ordinary way.
//
// The total is counted per left element x: the right elements placed before x, which are
// exactly those smaller than x. At the front that is j, the right elements the front has
// placed; summing j over every front step and taking off the steps that placed a right
// element (0 + 1 + ... + J-1 of them) leaves the sum over left steps alone, with no select
// inside the loop. The back counts the same way, from the right elements after x.
std::int64_t merge_and_count(const std::int32_t* left, std::int32_t left_count,
                             const std::int32_t* right, std::int32_t right_count,
                             std::int32_t* destination) {
    // i and j of the textbook merge for the front; for the back, one past the next elements.
    std::ptrdiff_t i = 0;
    std::ptrdiff_t j = 0;
    std::ptrdiff_t left_back = left_count;
    std::ptrdiff_t right_back = right_count;
    std::int32_t* front = destination;
    std::int32_t* back = destination + left_count + right_count;

    std::int64_t front_sum = 0;  // j summed over the front's steps
    std::int64_t back_sum = 0;   // right_back summed over the back's steps
    const std::int32_t steps = std::min(left_count, right_count);
    for (std::int32_t step = 0; step < steps; ++step) {
        front_sum += j;
        const std::int32_t front_left = left[i];
        const std::int32_t front_right = right[j];
        const std::ptrdiff_t front_takes_right = front_left > front_right;
        *front++ = front_takes_right ? front_right : front_left;
        i += 1 - front_takes_right;
        j += front_takes_right;

        back_sum += right_back;
        const std::int32_t back_left = left[left_back - 1];
        const std::int32_t back_right = right[right_back - 1];
        const std::ptrdiff_t back_takes_left = back_left > back_right;
        *--back = back_takes_left ? back_left : back_right;
        left_back -= back_takes_left;
        right_back -= 1 - back_takes_left;
    }
    // The front's steps that placed a right element added 0, 1, ..., j - 1 of front_sum; the
    // back's steps each saw right_count - right_back right elements already behind them.
    const std::int64_t back_lefts = left_count - left_back;
    const std::int64_t back_rights = right_count - right_back;
    const std::int64_t back_seen = std::int64_t{steps} * right_count - back_sum;
    std::int64_t total = front_sum - std::int64_t{j} * (j - 1) / 2 + right_count * back_lefts -
                         (back_seen - back_rights * (back_rights - 1) / 2);

    // What is left between the chains: for the halves of a split, one element at most. Every
    // left element placed here has the right elements placed so far before it, and no others.
    while (i != left_back && j != right_back) {
        const bool take_right = left[i] > right[j];
        total += static_cast<std::int64_t>(!take_right) * j;
        *front++ = take_right ? right[j] : left[i];
        i += !take_right;
        j += take_right;
    }
    total += static_cast<std::int64_t>(left_back - i) * right_back;
    front = std::copy(left + i, left + left_back, front);
    std::copy(right + j, right + right_back, front);
    return total;
}

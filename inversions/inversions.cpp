#include "inversions/inversions.h"

#include <algorithm>
#include <cstddef>

#include "inversions/memory.h"
#include "inversions/processor.h"
#include "inversions/vector_merge.h"

namespace {

// Most halves are short (half the splits copy one or two elements each), and a call of the C
// library's memmove costs more than such a copy.
void copy_values(const std::int32_t* from, std::ptrdiff_t count, std::int32_t* to) {
    if (count <= 8) {
        for (std::ptrdiff_t k = 0; k < count; ++k) {
            to[k] = from[k];
        }
    } else {
        std::copy(from, from + count, to);
    }
}

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
    copy_values(values, half, left.get());
    copy_values(values + half, rest, right.get());

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

namespace {

// A merge from both ends at once: each step places the smallest element not yet placed at the
// front and the largest at the back, two independent chains that meet in the middle. Both
// follow the same stable order, ties taken from the left at the front and from the right at
// the back, so no element is placed twice. While neither chain has taken more than
// min(left_count, right_count) elements, neither can run off the end of a run, so the steps
// need no bound checks; what is left between the chains is merged in the ordinary way.
//
// The total is counted per left element x: the right elements placed before x, which are
// exactly those smaller than x. At the front that is j, the right elements the front has
// placed; summing j over every front step and taking off the steps that placed a right
// element (0 + 1 + ... + J-1 of them) leaves the sum over left steps alone, with no select
// inside the loop. The back counts the same way, from the right elements after x.
class TwoEndedMerge {
  public:
    TwoEndedMerge(const std::int32_t* left, std::ptrdiff_t left_count, const std::int32_t* right,
                  std::ptrdiff_t right_count, std::int32_t* destination)
        : left_(left),
          right_(right),
          left_count_(left_count),
          right_count_(right_count),
          left_back_(left_count),
          right_back_(right_count),
          front_(destination),
          back_(destination + left_count + right_count) {}

    // How many steps can be taken without bound checks.
    std::ptrdiff_t safe_steps() const {
        return std::min(left_count_, right_count_);
    }

    void step() {
        front_sum_ += j_;
        const std::int32_t front_left = left_[i_];
        const std::int32_t front_right = right_[j_];
        const std::ptrdiff_t front_takes_right = front_left > front_right;
        *front_++ = front_takes_right ? front_right : front_left;
        i_ += 1 - front_takes_right;
        j_ += front_takes_right;

        back_sum_ += right_back_;
        const std::int32_t back_left = left_[left_back_ - 1];
        const std::int32_t back_right = right_[right_back_ - 1];
        const std::ptrdiff_t back_takes_left = back_left > back_right;
        *--back_ = back_takes_left ? back_left : back_right;
        left_back_ -= back_takes_left;
        right_back_ -= 1 - back_takes_left;
    }

    // After steps of step(): merges what is left between the chains and returns the total.
    std::int64_t finish(std::ptrdiff_t steps) {
        // The front's steps that placed a right element added 0, 1, ..., j - 1 of front_sum;
        // the back's steps each saw right_count - right_back right elements already behind them.
        const std::int64_t back_lefts = left_count_ - left_back_;
        const std::int64_t back_rights = right_count_ - right_back_;
        const std::int64_t back_seen = std::int64_t{steps} * right_count_ - back_sum_;
        std::int64_t total = front_sum_ - std::int64_t{j_} * (j_ - 1) / 2 +
                             right_count_ * back_lefts -
                             (back_seen - back_rights * (back_rights - 1) / 2);

        // What is left between the chains: for runs of nearly one length, one element at most.
        // Every left element placed here has the right elements placed so far before it.
        while (i_ != left_back_ && j_ != right_back_) {
            const bool take_right = left_[i_] > right_[j_];
            total += static_cast<std::int64_t>(!take_right) * j_;
            *front_++ = take_right ? right_[j_] : left_[i_];
            i_ += !take_right;
            j_ += take_right;
        }
        total += static_cast<std::int64_t>(left_back_ - i_) * right_back_;
        // What is left of one run: little, unless the runs' lengths differ much.
        copy_values(left_ + i_, left_back_ - i_, front_);
        front_ += left_back_ - i_;
        copy_values(right_ + j_, right_back_ - j_, front_);
        return total;
    }

  private:
    const std::int32_t* left_;
    const std::int32_t* right_;
    std::ptrdiff_t left_count_;
    std::ptrdiff_t right_count_;
    // i and j of the textbook merge for the front; for the back, one past the next elements.
    std::ptrdiff_t i_ = 0;
    std::ptrdiff_t j_ = 0;
    std::ptrdiff_t left_back_;
    std::ptrdiff_t right_back_;
    std::int32_t* front_;
    std::int32_t* back_;
    std::int64_t front_sum_ = 0;  // j summed over the front's steps
    std::int64_t back_sum_ = 0;   // right_back summed over the back's steps
};

// How many left elements are among the first placed elements of the stable merge: the
// merge path's crossing of that diagonal, by binary search.
std::ptrdiff_t lefts_among_first(const std::int32_t* left, std::ptrdiff_t left_count,
                                 const std::int32_t* right, std::ptrdiff_t right_count,
                                 std::ptrdiff_t placed) {
    std::ptrdiff_t low = std::max<std::ptrdiff_t>(0, placed - right_count);
    std::ptrdiff_t high = std::min(placed, left_count);
    while (low < high) {
        const std::ptrdiff_t middle = low + (high - low) / 2;
        if (left[middle] <= right[placed - middle - 1]) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// Below this many elements a merge is not split: the search would cost more than it gains.
constexpr std::ptrdiff_t split_from = 32;

// Below this many elements a merge places each element at once, by rank: a left element goes
// after its index's worth of left elements and the right elements smaller than it; a right
// element after its own index's worth and the left elements not greater. Every place is
// independent of the others, with no chain of steps, for a compare per pair; and the left
// element's count of smaller right elements is its share of the total.
constexpr std::ptrdiff_t rank_below = 8;

std::int64_t merge_by_rank(const std::int32_t* left, std::ptrdiff_t left_count,
                           const std::int32_t* right, std::ptrdiff_t right_count,
                           std::int32_t* destination) {
    std::int64_t total = 0;
    for (std::ptrdiff_t i = 0; i < left_count; ++i) {
        std::ptrdiff_t smaller = 0;
        for (std::ptrdiff_t j = 0; j < right_count; ++j) {
            smaller += right[j] < left[i];
        }
        destination[i + smaller] = left[i];
        total += smaller;
    }
    for (std::ptrdiff_t j = 0; j < right_count; ++j) {
        std::ptrdiff_t not_greater = 0;
        for (std::ptrdiff_t i = 0; i < left_count; ++i) {
            not_greater += left[i] <= right[j];
        }
        destination[j + not_greater] = right[j];
    }
    return total;
}

// A long merge is split at its middle into two two-ended merges, whose four chains run in one
// loop, independent of each other. The first half of the destination is the merge of the
// first i left and j right elements; every later left element is greater than each of those
// j right ones, which gives (left_count - i) * j pairs across the split, and no other pair
// crosses it.
std::int64_t merge_portably(const std::int32_t* left, std::ptrdiff_t left_count,
                            const std::int32_t* right, std::ptrdiff_t right_count,
                            std::int32_t* destination) {
    const std::ptrdiff_t count = left_count + right_count;
    if (count < rank_below) {
        return merge_by_rank(left, left_count, right, right_count, destination);
    }
    if (count < split_from) {
        TwoEndedMerge whole(left, left_count, right, right_count, destination);
        const std::ptrdiff_t steps = whole.safe_steps();
        for (std::ptrdiff_t step = 0; step < steps; ++step) {
            whole.step();
        }
        return whole.finish(steps);
    }
    const std::ptrdiff_t placed = count / 2;
    const std::ptrdiff_t i = lefts_among_first(left, left_count, right, right_count, placed);
    const std::ptrdiff_t j = placed - i;
    TwoEndedMerge first(left, i, right, j, destination);
    TwoEndedMerge second(left + i, left_count - i, right + j, right_count - j,
                         destination + placed);
    const std::ptrdiff_t first_steps = first.safe_steps();
    const std::ptrdiff_t second_steps = second.safe_steps();
    const std::ptrdiff_t together = std::min(first_steps, second_steps);
    for (std::ptrdiff_t step = 0; step < together; ++step) {
        first.step();
        second.step();
    }
    for (std::ptrdiff_t step = together; step < first_steps; ++step) {
        first.step();
    }
    for (std::ptrdiff_t step = together; step < second_steps; ++step) {
        second.step();
    }
    return first.finish(first_steps) + second.finish(second_steps) +
           static_cast<std::int64_t>(left_count - i) * j;
}

// From this many elements a merge takes the vector path, where it is chosen.
constexpr std::ptrdiff_t vectors_from = 1024;

// The merge split at three merge-path crossings into parts, which the vector path advances
// side by side; what it leaves of each is merged on the portable path. As for the portable
// split, every left element of a part is greater than each right element of the parts before
// it, and no other pair crosses between parts; within a part, every left element still to be
// placed is greater than each right element the vectors placed.
std::int64_t merge_by_vectors(const std::int32_t* left, std::ptrdiff_t left_count,
                              const std::int32_t* right, std::ptrdiff_t right_count,
                              std::int32_t* destination) {
    const std::ptrdiff_t count = left_count + right_count;
    MergePart parts[vector_merge_parts];
    std::ptrdiff_t i = 0;
    std::ptrdiff_t j = 0;
    std::int64_t total = 0;
    for (int p = 0; p < vector_merge_parts; ++p) {
        const std::ptrdiff_t placed = count * (p + 1) / vector_merge_parts;
        const std::ptrdiff_t next_i =
            lefts_among_first(left, left_count, right, right_count, placed);
        const std::ptrdiff_t next_j = placed - next_i;
        parts[p] = {left + i, next_i - i, right + j, next_j - j, destination + i + j, 0, 0, 0};
        total += static_cast<std::int64_t>(next_i - i) * j;
        i = next_i;
        j = next_j;
    }
    advance_parts_by_vectors(parts);
    for (const MergePart& part : parts) {
        const std::ptrdiff_t lefts_left = part.left_count - part.i;
        total += part.total + static_cast<std::int64_t>(lefts_left) * part.j +
                 merge_portably(part.left + part.i, lefts_left, part.right + part.j,
                                part.right_count - part.j, part.destination + part.i + part.j);
    }
    return total;
}

}  // namespace

std::int64_t merge_and_count(const std::int32_t* left, std::int32_t left_count,
                             const std::int32_t* right, std::int32_t right_count,
                             std::int32_t* destination) {
    if (std::ptrdiff_t{left_count} + right_count >= vectors_from && vector_merge_chosen()) {
        return merge_by_vectors(left, left_count, right, right_count, destination);
    }
    return merge_portably(left, left_count, right, right_count, destination);
}

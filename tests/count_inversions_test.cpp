#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "allocation_hook.h"
#include "brute_force.h"
#include "each_path.h"
#include "inversions/inversions.h"
#include "inversions/memory.h"

namespace {

using Values = std::vector<std::int32_t>;

constexpr std::int32_t int32_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32_max = std::numeric_limits<std::int32_t>::max();

std::int64_t sort_and_count(Values& values) {
    return count_inversions(values.data(), static_cast<std::int32_t>(values.size()));
}

// Lists of every length up to a few hundred, and one in 40 up to a few thousand, so that long
// merges take their own paths; drawn from narrow ranges (many equal values) and from the whole
// int32 range with its extremes mixed in.
Values random_list(std::mt19937& random) {
    const std::size_t longest = random() % 40 == 0 ? 3000 : 300;
    const auto length = std::uniform_int_distribution<std::size_t>(0, longest)(random);
    const std::int32_t spreads[] = {1, 3, 50, int32_max};
    const std::int32_t spread = spreads[random() % 4];
    std::uniform_int_distribution<std::int32_t> draw(spread == int32_max ? int32_min : -spread,
                                                     spread);
    Values values(length);
    for (std::int32_t& value : values) {
        const auto pick = random() % 16;
        value = pick == 0 ? int32_min : pick == 1 ? int32_max : draw(random);
    }
    return values;
}

TEST(CountInversions, MatchesBruteForceCountAndSortsOnRandomLists) {
    on_each_path(vector_merge_chosen, [] {
        std::mt19937 random(20261208);
        for (int round = 0; round < 2000; ++round) {
            Values values = random_list(random);
            Values expected_order = values;
            std::sort(expected_order.begin(), expected_order.end());
            const std::int64_t expected_total = count_pairs_by_brute_force(values);

            const std::int64_t total = sort_and_count(values);

            ASSERT_EQ(total, expected_total) << "round " << round << ", length " << values.size();
            ASSERT_EQ(values, expected_order) << "round " << round;
        }
    });
}

struct Example {
    Values input;
    Values sorted;
    std::int64_t total;
};

TEST(CountInversions, KnownLists) {
    const Example examples[] = {
        {{3, 1, 2}, {1, 2, 3}, 2},
        {{5, 4, 3, 2, 1}, {1, 2, 3, 4, 5}, 10},
        {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},
        {{2, 2, 2}, {2, 2, 2}, 0},
        {{2, 1, 1}, {1, 1, 2}, 2},
        {{1, 1, 0}, {0, 1, 1}, 2},
        {{-1, -5}, {-5, -1}, 1},
        {{int32_max, int32_min}, {int32_min, int32_max}, 1},
        {{0, -1, int32_min, int32_max, 1}, {int32_min, -1, 0, 1, int32_max}, 4},
    };
    for (const Example& example : examples) {
        Values values = example.input;
        EXPECT_EQ(sort_and_count(values), example.total);
        EXPECT_EQ(values, example.sorted);
    }
}

TEST(CountInversions, CountsBelowTwoTouchNothingAndObtainNoScratch) {
    if (!allocation_hook::sees_malloc) {
        GTEST_SKIP() << "this build's allocation hook cannot see the scratch (malloc)";
    }
    for (const std::int32_t count : {1, 0, -1, int32_min}) {
        Values values = {7, 3};
        allocation_hook::watch();
        EXPECT_EQ(count_inversions(values.data(), count), 0) << "count " << count;
        EXPECT_TRUE(allocation_hook::stop().empty()) << "count " << count;
        EXPECT_EQ(values, (Values{7, 3})) << "count " << count;
    }
}

TEST(CountInversions, TotalBeyond32Bits) {
    on_each_path(vector_merge_chosen, [] {
        constexpr std::int32_t n = 100000;
        Values values(n);
        for (std::int32_t i = 0; i < n; ++i) {
            values[static_cast<std::size_t>(i)] = n - i;
        }
        EXPECT_EQ(sort_and_count(values), std::int64_t{4999950000});
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    });
}

// Each splitting call obtains its left scratch (the shorter half) and then its right one, and
// the left half is sorted before the right: 2(n - 1) allocations in all.
TEST(CountInversions, ObtainsTwoScratchArraysPerSplit) {
    if (!allocation_hook::sees_malloc) {
        GTEST_SKIP() << "this build's allocation hook cannot see the scratch (malloc)";
    }
    Values values = {5, 4, 3, 2, 1};
    allocation_hook::watch();
    sort_and_count(values);
    const std::vector<std::size_t> sizes = allocation_hook::stop();

    // 5 splits as 2 + 3; then the 2 as 1 + 1; then the 3 as 1 + 2, and its 2 as 1 + 1.
    const std::vector<std::size_t> elements = {2, 3, 1, 1, 1, 2, 1, 1};
    ASSERT_EQ(sizes.size(), elements.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(sizes[i], elements[i] * sizeof(std::int32_t)) << "allocation " << i + 1;
    }
}

TEST(CountInversions, ReportsMissingScratchAndLeavesTheArrayAsItWas) {
    if (!allocation_hook::sees_malloc) {
        GTEST_SKIP() << "this build's allocation hook cannot see the scratch (malloc)";
    }
    const Values original = {9, -3, 4, 4, 0, 12, -8};
    const std::size_t allocations = 2 * (original.size() - 1);
    for (std::size_t failing = 1; failing <= allocations; ++failing) {
        Values values = original;
        allocation_hook::watch(failing);
        const std::int64_t total = sort_and_count(values);
        allocation_hook::stop();
        EXPECT_EQ(total, scratch_unavailable) << "allocation " << failing << " failed";
        EXPECT_EQ(values, original) << "allocation " << failing << " failed";
    }
}

TEST(MergeAndCount, CountsPairsAcrossTheRuns) {
    const Values left = {1, 3, 3, 8};
    const Values right = {0, 3, 4};
    Values destination(left.size() + right.size());
    // 0 is below all four left values, 3 only below 8, 4 below 8.
    EXPECT_EQ(merge_and_count(left.data(), 4, right.data(), 3, destination.data()), 6);
    EXPECT_EQ(destination, (Values{0, 1, 3, 3, 3, 4, 8}));

    Values only_right(2);
    EXPECT_EQ(merge_and_count(nullptr, 0, right.data(), 2, only_right.data()), 0);
    EXPECT_EQ(only_right, (Values{0, 3}));
}

// Every ascending run of up to eight elements over three values, so that runs of every length
// pair up with ties in every place. A wrong tie rule at either end, or a chain that takes one
// step too many, changes a destination or a total.
std::vector<Values> short_sorted_runs() {
    std::vector<Values> runs = {{}};
    for (std::size_t next = 0; next < runs.size(); ++next) {
        const Values run = runs[next];
        if (run.size() == 8) {
            continue;
        }
        for (std::int32_t value = run.empty() ? 0 : run.back(); value <= 2; ++value) {
            runs.push_back(run);
            runs.back().push_back(value);
        }
    }
    return runs;
}

TEST(MergeAndCount, EveryPairOfShortRunsAgainstBruteForce) {
    const std::vector<Values> runs = short_sorted_runs();
    constexpr std::int32_t guard = 77;
    for (const Values& left : runs) {
        for (const Values& right : runs) {
            Values both = left;
            both.insert(both.end(), right.begin(), right.end());
            Values merged(both.size() + 2, guard);  // a guard on either side
            const auto left_count = static_cast<std::int32_t>(left.size());
            const auto right_count = static_cast<std::int32_t>(right.size());
            const std::int64_t total = merge_and_count(left.data(), left_count, right.data(),
                                                       right_count, merged.data() + 1);
            Values expected(both.size());
            std::merge(left.begin(), left.end(), right.begin(), right.end(), expected.begin());
            expected.insert(expected.begin(), guard);
            expected.push_back(guard);
            ASSERT_EQ(merged, expected) << left.size() << " + " << right.size();
            ASSERT_EQ(total, count_pairs_by_brute_force(both))
                << left.size() << " + " << right.size();
        }
    }
}

}  // namespace

// Only the whole huge pages inside a block of at least two: (start, bytes, first, last).
TEST(HugePages, TheWholePagesInsideABlock) {
    constexpr std::uintptr_t page = huge_page_size;
    const std::uintptr_t cases[][4] = {{page + 16, 2 * page - 1, page + 16, page + 16},
                                       {page, 2 * page, page, 3 * page},
                                       {page + 16, 3 * page, 2 * page, 4 * page},
                                       {page - 16, 2 * page + 32, page, 3 * page}};
    for (const auto& [start, bytes, first, last] : cases) {
        const HugePageRange pages = huge_page_range(start, bytes);
        EXPECT_EQ(std::pair(pages.first, pages.last), std::pair(first, last)) << start << bytes;
    }
}

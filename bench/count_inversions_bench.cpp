// Times count_inversions, on the merge path the processor chooses and on the portable one,
// beside std::stable_sort and std::sort on the same data in one run, and prints each one's
// median time as a ratio to std::stable_sort's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "interleaved.h"
#include "inversions/inversions.h"
#include "inversions/memory.h"
#include "inversions/processor.h"

namespace {

using Values = std::vector<std::int32_t>;

const char* const data_kinds[] = {"uniform", "permutation", "sorted", "reversed"};
const std::int32_t sizes[] = {100'000, 1'000'000, 10'000'000};

// Uniformly random int32, those sorted or sorted in reverse, or a random permutation of 0 ..
// n-1.
Values make_data(const std::string& kind, std::int32_t n) {
    std::mt19937 random(12345);
    Values values(static_cast<std::size_t>(n));
    if (kind == "permutation") {
        std::iota(values.begin(), values.end(), 0);
        std::shuffle(values.begin(), values.end(), random);
        return values;
    }
    std::uniform_int_distribution<std::int32_t> draw(INT32_MIN, INT32_MAX);
    std::generate(values.begin(), values.end(), [&] { return draw(random); });
    if (kind == "sorted") {
        std::sort(values.begin(), values.end());
    } else if (kind == "reversed") {
        std::sort(values.begin(), values.end(), std::greater<>());
    }
    return values;
}

template <typename Sort>
void time_sort(benchmark::State& state, const Values& data, Sort sort) {
    Values work(data.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(data.begin(), data.end(), work.begin());
        state.ResumeTiming();
        sort(work);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}

void sort_counting(Values& values) {
    benchmark::DoNotOptimize(
        count_inversions(values.data(), static_cast<std::int32_t>(values.size())));
}

void sort_counting_portably(Values& values) {
    force_portable_paths(true);
    sort_counting(values);
    force_portable_paths(false);
}

void sort_stable(Values& values) {
    std::stable_sort(values.begin(), values.end());
}

void sort_unstable(Values& values) {
    std::sort(values.begin(), values.end());
}

// Prints the usual table, then the median of each case as a ratio to std::stable_sort.
class RatioReporter : public MedianReporter {
  public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-12s %10s %14s %14s %14s %16s %14s\n", "data", "n", "count_inv ms",
                    "stable ms", "count/stable", "portable/stable", "sort/stable");
        for (const char* kind : data_kinds) {
            for (const std::int32_t n : sizes) {
                const std::string suffix = std::string("/") + kind + "/" + std::to_string(n);
                const double counting = median("count_inversions" + suffix);
                const double portable = median("count_portable" + suffix);
                const double stable = median("stable_sort" + suffix);
                const double unstable = median("sort" + suffix);
                if (stable > 0) {
                    std::printf("%-12s %10d %14.2f %14.2f %14.3f %16.3f %14.3f\n", kind, n,
                                counting, stable, counting / stable, portable / stable,
                                unstable / stable);
                }
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // The sort is timed with the allocator set up as the program sets it up.
    keep_scratch_warm();
    std::map<std::string, Values> data;
    for (const char* kind : data_kinds) {
        for (const std::int32_t n : sizes) {
            const std::string suffix = std::string("/") + kind + "/" + std::to_string(n);
            const Values& values = data[suffix] = make_data(kind, n);
            const std::pair<const char*, void (*)(Values&)> sorts[] = {
                {"count_inversions", sort_counting},
                {"count_portable", sort_counting_portably},
                {"stable_sort", sort_stable},
                {"sort", sort_unstable},
            };
            for (const auto& [name, sort] : sorts) {
                register_case((name + suffix).c_str(),
                              [&values, sort = sort](benchmark::State& state) {
                                  time_sort(state, values, sort);
                              });
            }
        }
    }
    RatioReporter reporter;
    return run_interleaved(argc, argv, reporter);
}

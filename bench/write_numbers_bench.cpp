// Times the writing of a list of 10^7 int32 in the input's (random) order and sorted, as the
// program writes each list once in each order, and prints the nanoseconds per value of each
// and their sum, which is what counts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dialogue/number_writer.h"
#include "dialogue/output.h"
#include "dialogue/output_target.h"
#include "interleaved.h"

namespace {

constexpr std::int32_t count = 10'000'000;

// Output that goes nowhere, as to /dev/null, without a system call.
struct Discard final : OutputTarget {
    int write(const char*, std::size_t) override {
        return 0;
    }
};

std::vector<std::int32_t> make_values(bool sorted) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::int32_t> draw(INT32_MIN, INT32_MAX);
    std::vector<std::int32_t> values(count);
    std::generate(values.begin(), values.end(), [&] { return draw(random); });
    if (sorted) {
        std::sort(values.begin(), values.end());
    }
    return values;
}

void time_writing(benchmark::State& state, const std::vector<std::int32_t>& values) {
    Discard nowhere;
    Output output(nowhere, std::size_t{1} << 16);
    for (auto _ : state) {
        write_list(output, "", values.data(), count);
        output.flush();
    }
}

class PerValueReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                per_value_[run.run_name.function_name] = run.GetAdjustedRealTime() * 1e6 / count;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double random = per_value_["write_list/random"];
        const double sorted = per_value_["write_list/sorted"];
        std::printf("\nns per value: random %.2f, sorted %.2f, both %.2f\n", random, sorted,
                    random + sorted);
    }

  private:
    std::map<std::string, double> per_value_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::int32_t> random = make_values(false);
    const std::vector<std::int32_t> sorted = make_values(true);
    for (const auto& [name, values] :
         {std::pair{"write_list/random", &random}, std::pair{"write_list/sorted", &sorted}}) {
        register_case(name,
                      [values = values](benchmark::State& state) { time_writing(state, *values); });
    }
    PerValueReporter reporter;
    return run_interleaved(argc, argv, reporter);
}

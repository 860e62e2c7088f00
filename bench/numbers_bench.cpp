// Times the reading of 10^7 int32 from text in memory, handed over 64 KiB at a time as a pipe
// would, all on one line and ten values a line with CR LF line ends, and the writing of them as a list in the input's (random) order and sorted, as the
// program writes each list once in each order; prints the nanoseconds per value of each, the
// sum of the two writes, which is what counts, and the speed of each in MB of text a second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dialogue/input_source.h"
#include "dialogue/number_reader.h"
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

// Output kept in memory: the text that the reader's case reads.
struct Keep final : OutputTarget {
    std::string text;
    int write(const char* bytes, std::size_t size) override {
        text.append(bytes, size);
        return 0;
    }
};

// Input from text in memory, at most 64 KiB a read.
struct FromMemory final : InputSource {
    explicit FromMemory(const std::string& text) : text_(text) {}
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        const std::size_t size = std::min({capacity, std::size_t{1} << 16, text_.size() - at_});
        std::memcpy(buffer, text_.data() + at_, size);
        at_ += size;
        return static_cast<std::ptrdiff_t>(size);
    }
    int error() const override {
        return 0;
    }
    void give_back(std::size_t) override {}

  private:
    const std::string& text_;
    std::size_t at_ = 0;
};

std::string as_text(const std::vector<std::int32_t>& values) {
    Keep kept;
    Output output(kept, std::size_t{1} << 16);
    write_list(output, "", values.data(), count);
    output.flush();
    return std::move(kept.text);
}

// The same values ten a line, each line ended by CR LF, as a file from another program may be.
std::string in_lines(const std::string& text) {
    std::string lines;
    lines.reserve(text.size() + text.size() / 50);
    std::size_t values = 0;
    for (const char c : text) {
        if (c == ' ' && ++values % 10 == 0) {
            lines += "\r\n";
        } else {
            lines += c;
        }
    }
    return lines;
}

void time_reading(benchmark::State& state, const std::string& text) {
    std::vector<std::int32_t> values(count);
    for (auto _ : state) {
        FromMemory input(text);
        NumberReader reader(input);
        for (std::int32_t& value : values) {
            if (reader.read(value) != Found::number) {
                state.SkipWithError("the reader did not read every value");
                return;
            }
        }
        benchmark::DoNotOptimize(values.data());
    }
}

void time_writing(benchmark::State& state, const std::vector<std::int32_t>& values) {
    Discard nowhere;
    Output output(nowhere, std::size_t{1} << 16);
    for (auto _ : state) {
        write_list(output, "", values.data(), count);
        output.flush();
    }
}

class PerValueReporter : public MedianReporter {
  public:
    explicit PerValueReporter(double bytes_per_value) : bytes_per_value_(bytes_per_value) {}

    void Finalize() override {
        ConsoleReporter::Finalize();
        const double reading = per_value("read/random");
        const double lines = per_value("read/lines");
        const double random = per_value("write_list/random");
        const double sorted = per_value("write_list/sorted");
        std::printf("\nns per value: reading %.2f, ten a line %.2f; writing random %.2f, sorted "
                    "%.2f, both %.2f\n",
                    reading, lines, random, sorted, random + sorted);
        std::printf("MB of text a second: reading %.0f, writing %.0f (%.2f bytes a value)\n",
                    1e3 * bytes_per_value_ / reading, 2e3 * bytes_per_value_ / (random + sorted),
                    bytes_per_value_);
    }

  private:
    // Nanoseconds: the median's milliseconds over the count.
    double per_value(const std::string& name) {
        return median(name) * 1e6 / count;
    }

    double bytes_per_value_;
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
    const std::string text = as_text(random);
    const std::string lines = in_lines(text);
    register_case("read/random", [&text](benchmark::State& state) { time_reading(state, text); });
    register_case("read/lines", [&lines](benchmark::State& state) { time_reading(state, lines); });
    PerValueReporter reporter(static_cast<double>(text.size()) / count);
    return run_interleaved(argc, argv, reporter);
}

// What the project's benchmarks share: each case timed in 7 repetitions, reported by their
// median among the aggregates, and the repetitions of all cases run interleaved at random, so
// that a slow spell of the machine does not fall on one case alone.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Shows the usual table and keeps each case's median, in milliseconds of real time, for the
// summary that a benchmark's own reporter prints after it.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }

  protected:
    // 0 for a case that did not run.
    double median(const std::string& name) {
        return medians_[name];
    }

  private:
    std::map<std::string, double> medians_;
};

// Registers a case under name, timed in milliseconds of real time.
template <typename Body>
void register_case(const char* name, Body body) {
    benchmark::RegisterBenchmark(name, body)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(7)
        ->ReportAggregatesOnly(true);
}

// Runs the registered cases, interleaved, and reports them to reporter. A flag on the command
// line still overrides the interleaving.
inline int run_interleaved(int argc, char** argv, benchmark::BenchmarkReporter& reporter) {
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int argument_count = static_cast<int>(arguments.size());
    benchmark::Initialize(&argument_count, arguments.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

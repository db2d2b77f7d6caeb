#pragma once

// The one result reporter of the benchmark programs: the console table as usual, and each
// run's figures kept so that main() can print the figure, its peer's and their ratio.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tamlo::bench {

struct RunFigures {
    double cpuTime = 0;   // per iteration, in the benchmark's unit
    double realTime = 0;  // per iteration, in the benchmark's unit
    std::map<std::string, double> counters;
};

class FigureReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            RunFigures figures{run.GetAdjustedCPUTime(), run.GetAdjustedRealTime(), {}};
            for (const auto& [name, counter] : run.counters) {
                figures.counters[name] = counter.value;
            }
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                byFunction[run.run_name.function_name] = figures;
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = figures;
            }
            byName[run.benchmark_name()] = std::move(figures);
        }
    }

    // Every run by its full name ("BM_X/real_time", "BM_X_median", ...).
    std::map<std::string, RunFigures> byName;
    // The runs that measured (no aggregates, no errors) by function name.
    std::map<std::string, RunFigures> byFunction;
    // The median aggregates of the benchmarks run with repetitions, by function name.
    std::map<std::string, RunFigures> medians;
};

}  // namespace tamlo::bench

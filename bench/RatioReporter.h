#pragma once
// Runs the registered benchmarks and prints how a measured one compares with
// its reference from the same run: "ratio <measured>/<reference>: 1.23 (goal <= 1.50)".

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace penshelf::bench {

struct RatioGoal {
    std::string measured;   // benchmark name
    std::string reference;  // benchmark name
    double goal;            // the highest acceptable ratio; infinity: shown for information
    // Compare wall-clock times rather than this process's CPU time: for work
    // done on other threads or processes, such as a web engine's.
    bool wallClock = false;
};

// Ten single runs, timed by the wall clock in milliseconds: for benchmarks
// that start a whole program or page, each run once.
inline void tenSingleRuns(benchmark::internal::Benchmark* run) {
    run->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(10);
}

// Returns 0 when every ratio meets its goal, 1 otherwise.
int runAndReportRatios(int argc, char** argv, const std::vector<RatioGoal>& goals);

}  // namespace penshelf::bench

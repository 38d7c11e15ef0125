#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace penshelf::bench {
namespace {

// The console report, plus the time per iteration of every benchmark.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const double perIteration = run.GetAdjustedCPUTime();
                auto& best = fastest[run.run_name.function_name];
                if (best == 0 || perIteration < best) best = perIteration;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> fastest;
};

}  // namespace

int runAndReportRatios(int argc, char** argv, const std::vector<RatioGoal>& goals) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    int status = 0;
    for (const RatioGoal& goal : goals) {
        const double measured = reporter.fastest[goal.measured];
        const double reference = reporter.fastest[goal.reference];
        if (measured <= 0 || reference <= 0) {
            std::printf("ratio %s/%s: not measured\n", goal.measured.c_str(),
                        goal.reference.c_str());
            status = 1;
            continue;
        }
        const double ratio = measured / reference;
        const bool met = ratio <= goal.goal;
        std::printf("ratio %s/%s: %.2f (goal <= %.2f) %s\n", goal.measured.c_str(),
                    goal.reference.c_str(), ratio, goal.goal, met ? "met" : "MISSED");
        if (!met) status = 1;
    }
    benchmark::Shutdown();
    return status;
}

}  // namespace penshelf::bench

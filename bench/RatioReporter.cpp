#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>

namespace penshelf::bench {
namespace {

// Whether the report may be coloured, as --benchmark_color asks (auto when absent): never into a
// pipe or file, whatever it asks. The library applies the flag to its own reporter only.
bool colourWanted(int argc, char** argv) {
    std::string_view wanted = "auto";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--benchmark_color=")) wanted = arg.substr(arg.find('=') + 1);
    }
    if (isatty(STDOUT_FILENO) == 0) return false;
    if (wanted == "auto") {
        const char* term = std::getenv("TERM");
        return term != nullptr && *term != '\0' && std::string_view(term) != "dumb";
    }
    for (const std::string_view no : {"false", "no", "off", "0", "f", "n"}) {
        if (wanted == no) return false;
    }
    return true;
}

// The console report, plus the time per iteration of every benchmark.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    explicit CollectingReporter(bool colour)
        : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                keepFastest(fastest[run.run_name.function_name], run.GetAdjustedCPUTime());
                keepFastest(fastestWall[run.run_name.function_name], run.GetAdjustedRealTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> fastest;      // CPU time per iteration
    std::map<std::string, double> fastestWall;  // wall-clock time per iteration

  private:
    static void keepFastest(double& best, double time) {
        if (best == 0 || time < best) best = time;
    }
};

}  // namespace

int runAndReportRatios(int argc, char** argv, const std::vector<RatioGoal>& goals) {
    const bool colour = colourWanted(argc, argv);
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter(colour);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    int status = 0;
    for (const RatioGoal& goal : goals) {
        auto& times = goal.wallClock ? reporter.fastestWall : reporter.fastest;
        const double measured = times[goal.measured];
        const double reference = times[goal.reference];
        if (measured <= 0 || reference <= 0) {
            std::printf("ratio %s/%s: not measured\n", goal.measured.c_str(),
                        goal.reference.c_str());
            status = 1;
            continue;
        }
        const double ratio = measured / reference;
        if (std::isinf(goal.goal)) {
            std::printf("ratio %s/%s: %.2f (for information)\n", goal.measured.c_str(),
                        goal.reference.c_str(), ratio);
            continue;
        }
        const bool met = ratio <= goal.goal;
        std::printf("ratio %s/%s: %.2f (goal <= %.2f) %s\n", goal.measured.c_str(),
                    goal.reference.c_str(), ratio, goal.goal, met ? "met" : "MISSED");
        if (!met) status = 1;
    }
    benchmark::Shutdown();
    return status;
}

}  // namespace penshelf::bench

// Backing up a pen that holds 1 GiB in 20 books against cp of the same files
// followed by sync. Both end with every byte on the disk, so both are timed by
// the wall clock: cp's work happens in a child process and the flush in the
// kernel, neither of which shows in this process's CPU time. The backup
// reads every block back and computes its SHA-256 as it copies, on a second
// thread.
//
// Prints "ratio BM_BackUpPen/BM_CpAndSync: x (goal <= 1.30)".

#include "books/Backup.h"

#include "PenOfBooks.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

namespace {

using namespace penshelf;

constexpr std::size_t penBytes = std::size_t{1} << 30;
constexpr int bookCount = 20;
constexpr double goal = 1.3;

struct Setup {
    bench::PenOfBooks pen{penBytes, bookCount};
    std::string target = pen.dir / "backup";
};

Setup& setup() {
    static Setup instance;
    return instance;
}

// The next run starts with the disk idle: the last copy goes, out of the timing.
void removeTarget(benchmark::State& state) {
    state.PauseTiming();
    std::filesystem::remove_all(setup().target);
    ::sync();
    state.ResumeTiming();
}

void BM_BackUpPen(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        const BackupReport report = backUpPen({.bookFolder = s.pen.book,
                                               .folder = s.target,
                                               .identityCode = "KLV8A3C5D21",
                                               .product = "PEN",
                                               .when = 0});
        if (report.status != BackupStatus::Done || report.copied.size() != bookCount) {
            state.SkipWithError("the backup failed");
        }
        removeTarget(state);
    }
}

void BM_CpAndSync(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        std::filesystem::create_directory(s.target);
        std::vector<std::string> cp{"cp"};
        cp.insert(cp.end(), s.pen.files.begin(), s.pen.files.end());
        cp.push_back(s.target);
        if (!bench::spawnAndWait(cp) || !bench::spawnAndWait({"sync"}))
            state.SkipWithError("cp or sync failed");
        removeTarget(state);
    }
}

BENCHMARK(BM_CpAndSync)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_BackUpPen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    setup();  // write the pen's books before timing
    return penshelf::bench::runAndReportRatios(argc, argv,
                                               {{"BM_BackUpPen", "BM_CpAndSync", goal, true}});
}

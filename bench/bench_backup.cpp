// Backing up a pen that holds 1 GiB in 20 books against cp of the same files
// followed by sync. Both end with every byte on the disk, so both are timed by
// the wall clock: cp's work happens in a child process and the flush in the
// kernel, neither of which shows in this process's CPU time. The backup
// reads every block back and computes its SHA-256 as it copies, on a second
// thread.
//
// Prints "ratio BM_BackUpPen/BM_CpAndSync: x (goal <= 1.30)".

#include "books/Backup.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace {

using namespace penshelf;

constexpr std::size_t penBytes = std::size_t{1} << 30;
constexpr int bookCount = 20;
constexpr double goal = 1.3;

struct Setup {
    Setup() {
        std::filesystem::create_directories(book);
        for (int i = 1; i <= bookCount; ++i) {
            char entry[16];
            std::snprintf(entry, sizeof entry, "%03d.vxr", i);
            const std::size_t size =
                penBytes / bookCount + (i == bookCount ? penBytes % bookCount : 0);
            test::writeFile(
                book + entry,
                test::BookFile{.name = test::vxbName("第" + std::to_string(i) + "册"), .size = size}
                    .bytes());
            files.push_back(book + entry);
        }
        ::sync();
    }
    test::TempDir dir;
    std::string book = dir / "pen/BOOK/";
    std::string target = dir / "backup";
    std::vector<std::string> files;
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

bool spawnAndWait(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child;
    int status = -1;
    return posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           waitpid(child, &status, 0) == child && status == 0;
}

void BM_BackUpPen(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        const BackupReport report = backUpPen({.bookFolder = s.book,
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
        cp.insert(cp.end(), s.files.begin(), s.files.end());
        cp.push_back(s.target);
        if (!spawnAndWait(cp) || !spawnAndWait({"sync"})) state.SkipWithError("cp or sync failed");
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

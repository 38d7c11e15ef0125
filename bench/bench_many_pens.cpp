// One 256 MiB package onto four pens at once (installOnPens with four jobs)
// against the same four installs one after another (one job). Each pen is an
// ext4 volume of its own on a loop device, so each install's flush reaches
// the disk: a loop device hands a flush on to its image file. Both are timed
// by the wall clock, the flushes happening in the kernel. The package stays
// in the page cache, as one file does when it goes onto several pens; every
// run starts with the disk idle, and the runs of the two take turns. Loop
// devices need root: without it nothing is measured.
//
// Prints "ratio BM_FourPensAtOnce/BM_FourPensOneAfterAnother: x (goal <= 0.75)".

#include "books/ManyPensInstall.h"

#include "support/BookFile.h"
#include "support/LoopVolume.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

using namespace penshelf;

constexpr std::size_t packageSize = std::size_t{256} << 20;
constexpr int penCount = 4;
constexpr int penKibibytes = 320 << 10;
constexpr double goal = 0.75;

struct Setup {
    Setup() {
        test::writeFile(source, test::BookFile{.name = test::vxbName("小学英语同步点读"),
                                               .coverOid = 4711,
                                               .size = packageSize}
                                    .bytes());
        for (int i = 0; i < penCount; ++i) {
            pens.push_back(test::LoopVolume::make(penKibibytes, why));
            if (!pens.back()) return;
            targets.push_back({.bookFolder = pens.back()->book});
        }
        package = readInstallPackage(source);
        // The images' blocks are allocated once, before either side is timed.
        installOnPens({package}, targets, "001", penCount);
        removeBooks();
    }
    void removeBooks() const {
        for (const auto& pen : pens) std::filesystem::remove(pen->book + "001.vxs");
        ::sync();
    }
    test::TempDir dir;
    std::string source = dir / "book.vxb";
    std::string why;
    std::vector<std::unique_ptr<test::LoopVolume>> pens;
    std::vector<PenInstallTarget> targets;
    InstallPackage package;
};

Setup& setup() {
    static Setup instance;
    return instance;
}

void installOnFourPens(benchmark::State& state, int jobs) {
    const Setup& s = setup();
    for (auto _ : state) {
        for (const PenInstallStep& step : installOnPens({s.package}, s.targets, "001", jobs)) {
            if (step.outcome != InstallOutcome::Installed) state.SkipWithError("an install failed");
        }
        state.PauseTiming();
        s.removeBooks();
        state.ResumeTiming();
    }
}

void BM_FourPensOneAfterAnother(benchmark::State& state) {
    installOnFourPens(state, 1);
}

void BM_FourPensAtOnce(benchmark::State& state) {
    installOnFourPens(state, penCount);
}

BENCHMARK(BM_FourPensOneAfterAnother)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_FourPensAtOnce)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    if (geteuid() != 0) {
        std::printf("skipped: the pens' loop volumes need root\n");
        return 0;
    }
    if (setup().targets.size() != penCount) {
        std::printf("cannot make the pens: %s\n", setup().why.c_str());
        return 1;
    }
    // The two take turns, so that a burst of other work on the machine hits both alike.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    arguments.push_back(nullptr);
    return penshelf::bench::runAndReportRatios(
        argc + 1, arguments.data(),
        {{"BM_FourPensAtOnce", "BM_FourPensOneAfterAnother", goal, true}});
}

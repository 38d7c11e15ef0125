// Start-up: from launching penshelf until its main window lists two simulated
// pens of 100 books each (the pen list holding both, the book table the first
// one's 100 rows, painted), against launching a bare Qt window that shows a
// table of 200 rows. Both are started the same way, as processes on the
// offscreen platform, and timed by the wall clock from launch to exit: a
// probe loaded into each (StartupProbe.cpp, through LD_PRELOAD, the programs
// unchanged) ends it once its table has been painted with its rows.
//
// The same bare window with Qt WebEngine's libraries loaded as well, unused,
// is measured for information: loading them is most of what
// penshelf's start costs beyond the bare window's, since its portal tabs link
// the web engine into the program.
//
// Prints "ratio BM_PenShelfStartup/BM_BareTableStartup: x (goal <= 1.50)", the
// fastest of ten runs each, the kinds taking turns.

#include "PenOfBooks.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

using namespace penshelf;

constexpr int booksPerPen = 100;

// Two pens under one folder, as PENSHELF_SIMULATE takes them.
struct TwoPens {
    TwoPens() {
        for (const char* pen : {"pen-A", "pen-B"}) {
            const std::string folder = dir / pen;
            test::writeFile(folder + "/SYS/product.ini", "PRODUCT_CODE=KLV00000001\r\n");
            for (int i = 1; i <= booksPerPen; ++i) {
                char entry[16];
                std::snprintf(entry, sizeof entry, "%03d.vxr", i);
                test::writeFile(
                    folder + "/BOOK/" + entry,
                    test::BookFile{.name = test::vxbName("第" + std::to_string(i) + "册"),
                                   .size = 64 << 10}
                        .bytes());
            }
        }
    }
    test::TempDir dir;
};

// Launches program with the probe waiting for rows in its table and items in
// its drop-down list, until it ends; preloaded: libraries loaded with the probe.
void launch(benchmark::State& state, const char* program, int rows, int items,
            const std::string& preloaded = {}) {
    setenv("STARTUP_PROBE_ROWS", std::to_string(rows).c_str(), 1);
    setenv("STARTUP_PROBE_ITEMS", std::to_string(items).c_str(), 1);
    setenv("LD_PRELOAD",
           (STARTUP_PROBE_LIBRARY + (preloaded.empty() ? "" : ":" + preloaded)).c_str(), 1);
    for (auto _ : state) {
        if (!bench::spawnAndWait({program}, "/dev/null", "/dev/null")) {
            state.SkipWithError("the window never listed its rows");
            break;
        }
    }
}

void BM_PenShelfStartup(benchmark::State& state) {
    launch(state, PENSHELF_PROGRAM, booksPerPen, 2);
}

void BM_BareTableStartup(benchmark::State& state) {
    launch(state, STARTUP_TABLE_PROGRAM, 2 * booksPerPen, 0);
}

void BM_BareTableWithWebEngineStartup(benchmark::State& state) {
    launch(state, STARTUP_TABLE_PROGRAM, 2 * booksPerPen, 0, WEBENGINE_LIBRARY);
}

BENCHMARK(BM_BareTableStartup)->Apply(penshelf::bench::tenSingleRuns);
BENCHMARK(BM_BareTableWithWebEngineStartup)->Apply(penshelf::bench::tenSingleRuns);
BENCHMARK(BM_PenShelfStartup)->Apply(penshelf::bench::tenSingleRuns);

}  // namespace

int main(int argc, char** argv) {
    const TwoPens pens;
    const test::TempDir home;  // nothing of the user's is read or written
    setenv("HOME", home.str().c_str(), 1);
    for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        unsetenv(folder);
    setenv("PENSHELF_SIMULATE", pens.dir.str().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::sync();  // the runs start with the disk idle
    // Repetitions of the two alternate, so that both see the same load on a shared machine.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    argc = static_cast<int>(args.size());
    argv = args.data();
    return bench::runAndReportRatios(argc, argv,
                                     {{.measured = "BM_PenShelfStartup",
                                       .reference = "BM_BareTableStartup",
                                       .goal = 1.5,
                                       .wallClock = true},
                                      {.measured = "BM_PenShelfStartup",
                                       .reference = "BM_BareTableWithWebEngineStartup",
                                       .goal = std::numeric_limits<double>::infinity(),
                                       .wallClock = true}});
}

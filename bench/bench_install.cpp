// Installing a 256 MiB package through the install window (offscreen, with
// its progress bar) against cp of the same file followed by an fsync of the
// copy. Both end with the data on the disk, so both are timed by the wall
// clock: cp's work happens in a child process and the flush in the kernel,
// neither of which shows in this process's CPU time.
//
// The install also fsyncs BOOK/ once the copy has its name, which the
// reference does not: after the file's, that costs 0.2 to 4 ms here (about
// 1 %), so the reference stays cp and the file's fsync alone. The first
// window of the process also loads its fonts: the fastest repetition counts.
//
// Prints "ratio BM_InstallThroughWindow/BM_CpAndFsync: x (goal <= 1.10)".

#include "app/InstWindow.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace penshelf;

constexpr size_t packageSize = size_t{256} << 20;
constexpr double goal = 1.1;

struct Setup {
    Setup() {
        std::filesystem::create_directories(book);
        test::BookFile file{.name = test::vxbName("小学英语同步点读"), .size = packageSize};
        test::writeFile(source, file.bytes());
    }
    test::TempDir dir;
    std::string source = dir / "book.vxb";
    std::string book = dir / "pen/BOOK/";
    std::string target = book + "001.vxr";
};

Setup& setup() {
    static Setup instance;
    return instance;
}

void removeTarget(benchmark::State& state) {
    state.PauseTiming();
    std::filesystem::remove(setup().target);
    state.ResumeTiming();
}

void BM_InstallThroughWindow(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        InstWindow window({.pathZiro = s.book, .pathBook = s.source, .nameBook = ""});
        window.windowDidLoad();
        window.show();
        window.findChild<QLineEdit*>(QStringLiteral("dtBookOid"))->setText("001");
        window.InstallBook();
        if (window.nRefresh() != InstWindow::Outcome::Installed) {
            state.SkipWithError("the install failed");
        }
        removeTarget(state);
    }
}

void BM_CpAndFsync(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        const char* argv[] = {"cp", s.source.c_str(), s.target.c_str(), nullptr};
        pid_t child;
        int status = -1;
        if (posix_spawnp(&child, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
            waitpid(child, &status, 0) != child || status != 0) {
            state.SkipWithError("cp failed");
        }
        const int fd = open(s.target.c_str(), O_WRONLY);
        if (fd < 0 || fsync(fd) != 0) state.SkipWithError("fsync failed");
        close(fd);
        removeTarget(state);
    }
}

BENCHMARK(BM_CpAndFsync)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2)
    ->Repetitions(5);
BENCHMARK(BM_InstallThroughWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2)
    ->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setup();  // write the package before timing
    return penshelf::bench::runAndReportRatios(
        argc, argv, {{"BM_InstallThroughWindow", "BM_CpAndFsync", goal, true}});
}

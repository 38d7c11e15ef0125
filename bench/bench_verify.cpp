// Verifying a pen that holds 1 GiB in 20 books against cat of the same files
// into /dev/null. A pen is read from its flash, not from memory, so both start
// with the books out of the page cache: each file's cached pages are dropped
// (posix_fadvise DONTNEED, which needs no root) before every run, outside the
// timing. Warm, the SHA-256 (about 1.5 GB/s here) would be measured instead
// of the reading. Both are timed by the wall clock: cat works in a child
// process, and the verification hashes on a second thread.
//
// The goal is a speed of at least 0.9 times cat's, a time of at most 1/0.9.
// The digest is computed while the next block is read, so the reading should
// set the pace wherever it is slower than one core's SHA-256, as a pen's USB
// is; a disk that reads faster (a virtual machine's, served from its host's
// memory at about 2 GB/s) measures the digest instead, on cores it shares.
// Prints "ratio BM_VerifyBooks/BM_Cat: x (goal <= 1.11)".

#include "books/BookVerify.h"

#include "PenOfBooks.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace penshelf;

constexpr std::size_t penBytes = std::size_t{1} << 30;
constexpr int bookCount = 20;
constexpr double goal = 1 / 0.9;

using Setup = bench::PenOfBooks;

Setup& setup() {
    static Setup instance(penBytes, bookCount);
    return instance;
}

void dropCachedBooks(benchmark::State& state) {
    state.PauseTiming();
    for (const std::string& file : setup().files) {
        const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
            state.SkipWithError("cannot drop the books from the page cache");
        }
        if (fd >= 0) close(fd);
    }
    state.ResumeTiming();
}

void BM_VerifyBooks(benchmark::State& state) {
    for (auto _ : state) {
        dropCachedBooks(state);
        const VerifyReport report = verifyBooks(setup().book);
        if (report.books.size() != bookCount || report.foundDamage()) {
            state.SkipWithError("the verification failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * penBytes));
}

void BM_Cat(benchmark::State& state) {
    std::vector<std::string> cat{"cat"};
    cat.insert(cat.end(), setup().files.begin(), setup().files.end());
    for (auto _ : state) {
        dropCachedBooks(state);
        if (!bench::spawnAndWait(cat, "/dev/null")) state.SkipWithError("cat failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * penBytes));
}

BENCHMARK(BM_Cat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_VerifyBooks)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    setup();  // write the pen's books before timing
    return penshelf::bench::runAndReportRatios(argc, argv,
                                               {{"BM_VerifyBooks", "BM_Cat", goal, true}});
}

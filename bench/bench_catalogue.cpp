// Listing a full BOOK/ folder (998 packages: 900 ordinary, 98 shared) against
// the least any listing must do: open each file and read its first 100 bytes.

#include "books/Catalogue.h"

#include "RatioReporter.h"
#include "support/BookFile.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace penshelf;

std::string number(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

struct FullPen {
    FullPen() {
        for (int n = 1; n <= 998; ++n) {
            // 901..998 share the books 001..098.
            const std::string name =
                n <= 900 ? test::vxbName("第" + std::to_string(n) + "册 小学英语同步点读")
                         : "ATT" + number(n - 900);
            const std::string path = book + number(n) + ".vxr";
            test::writeFile(path, test::BookFile{.name = name, .size = 4096}.bytes());
            paths.push_back(path);
        }
    }
    test::TempDir dir;
    std::string book = dir.str() + "/BOOK/";
    std::vector<std::string> paths;
};

FullPen& pen() {
    static FullPen instance;
    return instance;
}

void BM_Catalogue(benchmark::State& state) {
    const std::string& book = pen().book;
    for (auto _ : state) {
        auto rows = listBookFolder(book);
        if (rows.size() != 998) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
}

void BM_ReadFirst100Bytes(benchmark::State& state) {
    const auto& paths = pen().paths;
    char buffer[100];
    for (auto _ : state) {
        for (const std::string& path : paths) {
            const int fd = open(path.c_str(), O_RDONLY);
            benchmark::DoNotOptimize(read(fd, buffer, sizeof buffer));
            close(fd);
        }
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_ReadFirst100Bytes)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_Catalogue)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    pen();  // build the folder before timing
    return penshelf::bench::runAndReportRatios(argc, argv,
                                               {{"BM_Catalogue", "BM_ReadFirst100Bytes", 1.5}});
}

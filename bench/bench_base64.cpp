// Base64 encoding and decoding of 16 MiB against a plain table-driven codec in the same run
// (and OpenSSL's EVP_EncodeBlock/EVP_DecodeBlock where it is installed). Prints the ratios of
// the median times at the end and fails when one is above 1.5.
#include "soap/Base64.h"

#include <benchmark/benchmark.h>

#ifdef PENSHELF_BENCH_OPENSSL
#include <openssl/evp.h>
#endif

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using penshelf::soap::Bytes;

constexpr size_t inputSize = 16 * 1024 * 1024;
constexpr double goalRatio = 1.5;

const Bytes& input() {
    static const Bytes data = [] {
        Bytes bytes(inputSize);
        std::mt19937_64 random(16);
        for (size_t i = 0; i < inputSize; i += 8) {
            const std::uint64_t r = random();
            for (size_t k = 0; k < 8; ++k) bytes[i + k] = static_cast<std::uint8_t>(r >> (8 * k));
        }
        return bytes;
    }();
    return data;
}

const std::string& encoded() {
    static const std::string text = *penshelf::soap::base64Encoding(input());
    return text;
}

// The reference: the textbook loops, one table lookup per character, no checks beyond the
// alphabet.
constexpr char base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string referenceEncode(const Bytes& in) {
    std::string out((in.size() + 2) / 3 * 4, '=');
    size_t o = 0;
    size_t i = 0;
    for (; i + 3 <= in.size(); i += 3) {
        out[o++] = base64Alphabet[in[i] >> 2];
        out[o++] = base64Alphabet[((in[i] & 3) << 4) | (in[i + 1] >> 4)];
        out[o++] = base64Alphabet[((in[i + 1] & 15) << 2) | (in[i + 2] >> 6)];
        out[o++] = base64Alphabet[in[i + 2] & 63];
    }
    if (in.size() - i >= 1) {
        out[o++] = base64Alphabet[in[i] >> 2];
        if (in.size() - i == 2) {
            out[o++] = base64Alphabet[((in[i] & 3) << 4) | (in[i + 1] >> 4)];
            out[o++] = base64Alphabet[(in[i + 1] & 15) << 2];
        } else {
            out[o++] = base64Alphabet[(in[i] & 3) << 4];
        }
    }
    return out;
}

const std::vector<int>& reverseTable() {
    static const std::vector<int> table = [] {
        std::vector<int> t(256, -1);
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(base64Alphabet[i])] = i;
        return t;
    }();
    return table;
}

Bytes referenceDecode(const std::string& in) {
    const std::vector<int>& table = reverseTable();
    Bytes out(in.size() / 4 * 3);
    size_t o = 0;
    std::uint32_t group = 0;
    int pending = 0;
    for (unsigned char c : in) {
        const int value = table[c];
        if (value < 0) continue;
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (++pending == 4) {
            out[o++] = static_cast<std::uint8_t>(group >> 16);
            out[o++] = static_cast<std::uint8_t>(group >> 8);
            out[o++] = static_cast<std::uint8_t>(group);
            pending = 0;
        }
    }
    if (pending == 2) out[o++] = static_cast<std::uint8_t>(group >> 4);
    if (pending == 3) {
        out[o++] = static_cast<std::uint8_t>(group >> 10);
        out[o++] = static_cast<std::uint8_t>(group >> 2);
    }
    out.resize(o);
    return out;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * inputSize));
}

void BM_Encode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(penshelf::soap::base64Encoding(input()));
    setBytes(state);
}

void BM_EncodeReference(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(referenceEncode(input()));
    setBytes(state);
}

void BM_Decode(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(penshelf::soap::dataWithBase64EncodedString(encoded()));
    }
    setBytes(state);
}

void BM_DecodeReference(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(referenceDecode(encoded()));
    setBytes(state);
}

#ifdef PENSHELF_BENCH_OPENSSL
void BM_EncodeOpenSSL(benchmark::State& state) {
    for (auto _ : state) {
        std::string out(encoded().size() + 1, '\0');
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), input().data(),
                        static_cast<int>(input().size()));
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

void BM_DecodeOpenSSL(benchmark::State& state) {
    for (auto _ : state) {
        Bytes out(encoded().size() / 4 * 3);
        EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(encoded().data()),
                        static_cast<int>(encoded().size()));
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}
#endif

#define PENSHELF_BASE64_BENCHMARK(name) \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)

PENSHELF_BASE64_BENCHMARK(BM_EncodeReference);
PENSHELF_BASE64_BENCHMARK(BM_Encode);
PENSHELF_BASE64_BENCHMARK(BM_DecodeReference);
PENSHELF_BASE64_BENCHMARK(BM_Decode);
#ifdef PENSHELF_BENCH_OPENSSL
PENSHELF_BASE64_BENCHMARK(BM_EncodeOpenSSL);
PENSHELF_BASE64_BENCHMARK(BM_DecodeOpenSSL);
#endif

// The console output as usual, plus the median real time of every benchmark.
class MedianCollector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    input();
    encoded();
    benchmark::Initialize(&argc, argv);
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    struct Pair {
        const char* measured;
        const char* reference;
        bool goal;
    };
    const Pair pairs[] = {
        {"BM_Encode", "BM_EncodeReference", true},
        {"BM_Decode", "BM_DecodeReference", true},
        {"BM_Encode", "BM_EncodeOpenSSL", false},
        {"BM_Decode", "BM_DecodeOpenSSL", false},
    };
    int status = 0;
    for (const Pair& pair : pairs) {
        const auto measured = reporter.medians.find(pair.measured);
        const auto reference = reporter.medians.find(pair.reference);
        if (measured == reporter.medians.end() || reference == reporter.medians.end()) continue;
        const double ratio = measured->second / reference->second;
        if (pair.goal) {
            std::printf("ratio %s/%s: %.2f (goal <= %.2f)%s\n", pair.measured, pair.reference,
                        ratio, goalRatio, ratio <= goalRatio ? "" : " MISSED");
            if (ratio > goalRatio) status = 1;
        } else {
            std::printf("ratio %s/%s: %.2f (for comparison)\n", pair.measured, pair.reference,
                        ratio);
        }
    }
    return status;
}

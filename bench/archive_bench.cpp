// Throughput of the block CRC (sliced and byte-wise paths) and of the fast
// and best compressors on text-like and random data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "tools/vrnarc/archive_writer.h"

namespace {

std::string Text(size_t n) {
    static const char* const words[] = {"#define ", "struct ", "int ", "(void);\n", "    ", "size_t ",
                                        "return ", "const char* ", "/* the */ ", "namespace "};
    std::string s;
    uint32_t x = 1;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 10];
    }
    s.resize(n);
    return s;
}

std::string Random(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 99;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

void BM_BlockCRC(benchmark::State& state) {
    uint32_t table[256];
    vrn::BuildCRCTable(table, 256);
    const std::string data = Random(61440);
    for (auto _ : state)
        benchmark::DoNotOptimize(vrn::CalculateBlockCRC32(reinterpret_cast<const uint8_t*>(data.data()),
                                                          static_cast<uint32_t>(state.range(0)), 0xFFFFFFFFu, table));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BlockCRC)->Arg(32)->Arg(4096)->Arg(61440);

void Compress(benchmark::State& state, const std::string& data, vrn::arc::CompressionLevel level) {
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        vrn::arc::CompressStream(reinterpret_cast<const uint8_t*>(data.data()), data.size(), level, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
    state.counters["ratio"] = static_cast<double>(out.size()) / static_cast<double>(data.size());
}

void BM_CompressFastText(benchmark::State& s) { Compress(s, Text(1 << 20), vrn::arc::CompressionLevel::Fast); }
void BM_CompressBestText(benchmark::State& s) { Compress(s, Text(1 << 20), vrn::arc::CompressionLevel::Best); }
void BM_CompressFastRandom(benchmark::State& s) { Compress(s, Random(1 << 20), vrn::arc::CompressionLevel::Fast); }
BENCHMARK(BM_CompressFastText);
BENCHMARK(BM_CompressBestText);
BENCHMARK(BM_CompressFastRandom);

}  // namespace

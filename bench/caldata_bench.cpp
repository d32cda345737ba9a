// Saving and loading calibration data: the largest .cal file (five colour spaces at eight
// levels, 21,054 lines), formatted and parsed in memory and through a file on disk.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "caldata/cal_file.h"
#include "common/file_io.h"

namespace {

halvo::CalibrationData LargestSet() {
    halvo::CalibrationData d;
    d.calibrationId = "VRL000042";
    d.version = 9.9f;
    d.bitDepth = 1;
    d.levelCount = 8;
    d.colorSpaceMask = 0x1F;
    for (size_t i = 0; i < d.gammaTable.size(); ++i) {
        d.gammaTable[i] = static_cast<uint16_t>(i * 70);
    }
    for (int id = 0; id < halvo::kColorSpaceCount; ++id) {
        for (int slot = 0; slot < halvo::kColorSlotCount; ++slot) {
            for (int level = 0; level < halvo::kLevelCount; ++level) {
                halvo::ColorSpaceEntry& e = d.entry(id, slot, level);
                e.reading.x = 0.3127 + 0.01 * slot;
                e.reading.y = 0.329 - 0.01 * level;
                e.reading.lv = 100.0 - 9.5 * level;
                e.reading.duv = 0.0021;
                e.r = 250 - level;
                e.g = -7 + slot;
                e.b = 3 * id;
            }
        }
    }
    for (size_t t = 0; t < d.lut3d.size(); ++t) {
        for (size_t i = 0; i < d.lut3d[t].size(); ++i) {
            d.lut3d[t][i] = static_cast<uint8_t>(i * 13 + t);
        }
    }
    return d;
}

std::string TempPath() {
    static const std::string dir = [] {
        char name[] = "/tmp/halvo_bench_caldata_XXXXXX";
        return std::string(::mkdtemp(name) ? name : "/tmp");
    }();
    return dir + "/largest.cal";
}

void BM_WriteCalFile(benchmark::State& state) {
    const halvo::CalibrationData d = LargestSet();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = halvo::WriteCalFile(d);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteCalFile)->Unit(benchmark::kMillisecond);

void BM_ReadCalFile(benchmark::State& state) {
    const std::string text = halvo::WriteCalFile(LargestSet());
    for (auto _ : state) {
        halvo::CalFileLoad load = halvo::ReadCalFile(text, "bench");
        benchmark::DoNotOptimize(load.data.lut3d[4][12287]);
    }
}
BENCHMARK(BM_ReadCalFile)->Unit(benchmark::kMillisecond);

void BM_SaveCalFileToDisk(benchmark::State& state) {
    const halvo::CalibrationData d = LargestSet();
    const std::string path = TempPath();
    for (auto _ : state) {
        if (!halvo::WriteFileAtomically(path, halvo::WriteCalFile(d), nullptr)) {
            state.SkipWithError("cannot write");
        }
    }
}
BENCHMARK(BM_SaveCalFileToDisk)->Unit(benchmark::kMillisecond);

void BM_LoadCalFileFromDisk(benchmark::State& state) {
    const std::string path = TempPath();
    halvo::WriteFileAtomically(path, halvo::WriteCalFile(LargestSet()), nullptr);
    for (auto _ : state) {
        std::string text;
        if (!halvo::ReadWholeFile(path, text, nullptr)) {
            state.SkipWithError("cannot read");
        }
        halvo::CalFileLoad load = halvo::ReadCalFile(text, "bench");
        benchmark::DoNotOptimize(load.formatOk);
    }
}
BENCHMARK(BM_LoadCalFileFromDisk)->Unit(benchmark::kMillisecond);

}  // namespace

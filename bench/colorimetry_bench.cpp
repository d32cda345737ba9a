// The colorimetry kernels that run once per reading (evaluation) or many times per calibration
// iteration (readings, differences).

#include <benchmark/benchmark.h>

#include "colorimetry/chromaticity.h"
#include "colorimetry/evaluation.h"
#include "colorimetry/locus_cct.h"
#include "colorimetry/robertson_cct.h"

namespace {

// A spread of whites and colours a station measures: near the locus, off it, saturated.
constexpr double kSamples[][3] = {
    {95.047, 100.0, 108.883}, {109.85, 100.0, 35.585}, {41.24, 21.26, 1.93},
    {35.76, 71.52, 11.92},    {18.05, 7.22, 95.05},    {90.0, 100.0, 120.0},
};

void BM_EvaluateXyz(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        const double* s = kSamples[i++ % std::size(kSamples)];
        benchmark::DoNotOptimize(halvo::EvaluateXyz(s[0], s[1], s[2]));
    }
}
BENCHMARK(BM_EvaluateXyz);

void BM_ReadingFromChromaticity(benchmark::State& state) {
    halvo::ColorReading r;
    std::size_t i = 0;
    for (auto _ : state) {
        const double* s = kSamples[i++ % std::size(kSamples)];
        const double sum = s[0] + s[1] + s[2];
        halvo::ReadingFromChromaticity(s[0] / sum, s[1] / sum, s[1], r);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ReadingFromChromaticity);

void BM_RobertsonCct(benchmark::State& state) {
    double u = 0.19, v = 0.31;
    for (auto _ : state) {
        benchmark::DoNotOptimize(halvo::RobertsonCct(u, v));
        u += 1e-9;
    }
}
BENCHMARK(BM_RobertsonCct);

void BM_LocusCctDuv(benchmark::State& state) {
    double u = 0.1978, v = 0.3122;
    for (auto _ : state) {
        int32_t flags = 0;
        double cct = 0, duv = 0;
        halvo::LocusCctDuv(u, v, 0.05, flags, cct, duv);
        benchmark::DoNotOptimize(cct);
        benchmark::DoNotOptimize(duv);
        u += 1e-9;
    }
}
BENCHMARK(BM_LocusCctDuv);

}  // namespace

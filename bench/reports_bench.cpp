// Writing the verification report: the workbook of a run over all six colour spaces, with its
// summary, six detail sheets and their twenty-four chart pictures painted in memory. The budget
// is 2 s per workbook; the first write also renders the two diagram backgrounds, reported as
// firstWriteMs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "colorimetry/chromaticity.h"
#include "gui/qt_chart_painter.h"
#include "reports/report_export.h"

namespace {

using namespace halvo;

class NoCommands : public CommandSink {
public:
    void postOperatorCommand(int, int) override {}
};

ColorReading Reading(double x, double y, double lv) {
    ColorReading r;
    ReadingFromChromaticity(x, y, lv, r);
    return r;
}

// Every kind measured in every colour space, as the workflow stores it.
void FillRun(CMeasure& page, MeasurementResults& results) {
    page.onKindToggled(kKindUniformity, true);
    page.onColorSpaceToggled(true);
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        page.setDisplayedColorSpace(cs);
        ColorSpaceResults& r = results.spaces[static_cast<size_t>(cs)];
        ChartSeries& chart = page.chart[static_cast<size_t>(cs)];
        for (int k = 0; k <= 10; ++k) {
            const double level = std::ceil(k * 25.5);
            const double lv = 0.1 + 100.0 * std::pow(level / 255.0, 2.2 + 0.01 * cs);
            r.gamma[static_cast<size_t>(k)] = Reading(0.3127, 0.329, lv);
            chart.gamma.push_back({level, lv});
        }
        r.gammaValue = fitChartGamma(chart.gamma).g;
        page.storeGamma(r.gammaValue);
        const double patches[9][3] = {{0.31, 0.33, 0.1},  {0.31, 0.33, 99},  {0.31, 0.33, 100}, {0.64, 0.33, 21},
                                      {0.30, 0.60, 71},   {0.15, 0.06, 7},   {0.42, 0.50, 92},  {0.32, 0.15, 28},
                                      {0.22, 0.33, 78}};
        const int slots[9] = {1, 2, 2, 3, 4, 5, 6, 7, 8};
        for (int i = 0; i < 9; ++i) {
            const ColorReading c = Reading(patches[i][0], patches[i][1], patches[i][2]);
            page.storeResult(slots[i], c);
            r.colors[static_cast<size_t>(slots[i])] = c;
            chart.chroma.push_back({c.x, c.y});
        }
        chart.colorPoints = true;
        const int kelvins[4] = {3200, 5400, 6500, 9300};
        for (int t = 0; t < 4; ++t) {
            ColorReading target;
            ReadingFromTemperature(100.0, false, target, kelvins[t]);
            const ColorReading c = Reading(target.x, target.y, 100.0);
            page.storeResult(kResultFirstTemperature + t, c);
            r.temperatures[static_cast<size_t>(t)] = c;
            chart.chroma.push_back({c.x, c.y});
        }
        chart.temperaturePoints = true;
    }
    for (int p = 0; p < kPositionCount; ++p) {
        results.uniformityPercent = page.storePosition(p, Reading(0.3127, 0.329, 100.0 - p), true);
    }
}

void BM_WorkbookWithSixDetailSheets(benchmark::State& state) {
    gui::EnsureOffscreenGuiApplication();
    gui::QtChartPainter painter;
    NoCommands sink;
    CMeasure page(sink);
    MeasurementResults results;
    FillRun(page, results);
    const TableControl whiteList;
    ReportSources sources{page, results, {}, "VRL000001", whiteList, "180", &painter};
    sources.header.date = ReportDate(std::time(nullptr));
    const std::string path = (std::filesystem::temp_directory_path() / "halvo_bench_report.xlsx").string();
    std::string error;

    const auto start = std::chrono::steady_clock::now();
    if (!SaveReportFile(path, ReportForm::Workbook, sources, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const double firstMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (auto _ : state) {
        if (!SaveReportFile(path, ReportForm::Workbook, sources, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["firstWriteMs"] = firstMs;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WorkbookWithSixDetailSheets)->Unit(benchmark::kMillisecond);

}  // namespace

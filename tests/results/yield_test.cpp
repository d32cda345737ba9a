// The yield's arithmetic: quantiles against values worked by hand, the groups and pass rates of
// stored runs, the metrics a verification's items give, and the workbook's histograms.

#include <cmath>

#include "common/file_io.h"
#include "results/results_workbook.h"
#include "results/sample_records.h"
#include "results/store_backends.h"
#include "results/yield.h"
#include "support/zip_reader.h"

namespace halvo {
namespace {

using results::RunKind;

TEST(Quantile, InterpolatesBetweenTheClosestRanks) {
    // Ranks 0..3 of 1, 2, 3, 4: the median lies half way between 2 and 3; the 95th percentile at
    // rank 2.85, 0.85 of the way from 3 to 4.
    EXPECT_DOUBLE_EQ(results::Quantile({4, 1, 3, 2}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(results::Quantile({4, 1, 3, 2}, 0.95), 3.85);
    EXPECT_DOUBLE_EQ(results::Quantile({7}, 0.95), 7.0);
    EXPECT_DOUBLE_EQ(results::Quantile({}, 0.5), 0.0);
    EXPECT_DOUBLE_EQ(results::Quantile({1, 2, 3}, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(results::Quantile({1, 2, 3}, 1.0), 3.0);
    const results::Distribution d = results::Describe({0.001, 0.002, 0.003, 0.004, 0.010});
    EXPECT_EQ(d.count, 5);
    EXPECT_DOUBLE_EQ(d.median, 0.003);
    EXPECT_NEAR(d.p95, 0.0088, 1e-12);  // rank 3.8: 0.004 + 0.8 * 0.006
}

TEST(RunMetrics, WhiteDuvAndGammaErrorComeFromTheJudgedItems) {
    results::RunRecord r = test::SampleRecord(RunKind::Verification, 0);
    // Δu' 0.0030 and Δv' 0.0040 at 6500 K: 0.005; gamma 2.215 (BT-709, 2.2) and 2.550 (D-CINEMA,
    // 2.6): the larger error is 0.05.
    ASSERT_TRUE(r.whiteDuv);
    EXPECT_NEAR(*r.whiteDuv, 0.005, 1e-12);
    ASSERT_TRUE(r.gammaError);
    EXPECT_NEAR(*r.gammaError, 0.05, 1e-12);
    r.items[2].verdict = "N/A";
    results::ComputeRunMetrics(r);
    EXPECT_FALSE(r.whiteDuv) << "one of the two differences is not measured";
    r.items.clear();
    results::ComputeRunMetrics(r);
    EXPECT_FALSE(r.gammaError);
}

TEST(Yield, GroupsCountRunsPassesAndTheSpreadOfTheirMetrics) {
    auto db = test::OpenBackend(test::Backend::Sqlite);
    ASSERT_TRUE(db);
    results::ResultsStore store(*db);
    ASSERT_EQ(store.open(true).status, results::SchemaStatus::Ready);
    std::string error;
    const double whites[] = {0.001, 0.002, 0.003, 0.004};
    for (int n = 0; n < 4; ++n) {
        results::RunRecord r = test::SampleRecord(RunKind::Verification, n);
        r.station = n < 3 ? "line-a" : "line-b";
        r.passed = n != 1;
        r.whiteDuv = whites[n];
        r.gammaError = n == 0 ? std::optional<double>() : std::optional<double>(0.01 * n);
        ASSERT_EQ(store.put(r, false, &error), results::PutResult::Stored) << error;
    }
    ASSERT_EQ(store.put(test::SampleRecord(RunKind::Calibration, 9), false, &error), results::PutResult::Stored);
    results::RunFilter verifications;
    verifications.kinds = {RunKind::Verification};
    results::YieldReport y;
    ASSERT_TRUE(results::BuildYield(store, verifications, results::YieldGrouping::Station, y, &error)) << error;
    ASSERT_EQ(y.groups.size(), 2u);
    EXPECT_EQ(y.groups[0].name, "line-a");
    EXPECT_EQ(y.groups[0].runs, 3);
    EXPECT_EQ(y.groups[0].passed, 2);
    EXPECT_NEAR(y.groups[0].passRate(), 2.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(y.groups[0].whiteDuv.median, 0.002);
    EXPECT_EQ(y.groups[0].gammaError.count, 2);
    EXPECT_DOUBLE_EQ(y.groups[0].gammaError.median, 0.015);
    EXPECT_EQ(y.total.runs, 4);
    EXPECT_EQ(y.total.passed, 3);
    EXPECT_DOUBLE_EQ(y.total.whiteDuv.median, 0.0025);
    EXPECT_EQ(y.whiteDuvs.size(), 4u);
    ASSERT_EQ(y.failingItems.size(), 2u);
    EXPECT_EQ(y.failingItems[0].count, 4);

    ASSERT_TRUE(results::BuildYield(store, verifications, results::YieldGrouping::Day, y, &error));
    EXPECT_EQ(y.groups.size(), 1u) << "the samples start within one day";
    EXPECT_EQ(y.groups[0].name.size(), 10u);
}

TEST(Histogram, CoversEveryValueInEqualBins) {
    const results::Histogram h = results::MakeHistogram({0.0, 0.1, 0.2, 0.25, 1.0}, 4);
    ASSERT_EQ(h.counts.size(), 4u);
    EXPECT_DOUBLE_EQ(h.width, 0.25);
    EXPECT_EQ(h.counts[0], 3);  // 0, 0.1, 0.2
    EXPECT_EQ(h.counts[1], 1);  // 0.25
    EXPECT_EQ(h.counts[3], 1);  // the largest value falls into the last bin
    const results::Histogram same = results::MakeHistogram({2.2, 2.2}, 4);
    ASSERT_EQ(same.counts.size(), 1u);
    EXPECT_EQ(same.counts[0], 2);
    EXPECT_TRUE(results::MakeHistogram({}, 4).counts.empty());
}

TEST(Workbook, HoldsTheSheetsAndTheirCharts) {
    results::YieldReport y;
    y.groups = {{"2024-05-01", 4, 3, {}, {}}, {"2024-05-02", 2, 2, {}, {}}};
    y.total = {"all", 6, 5, {}, {}};
    y.failingItems = {{"Gamma", "D-CINEMA", "Black~White", 3}, {"Uniformity", "", "", 1}};
    y.whiteDuvs = {0.001, 0.002, 0.004};
    y.gammaErrors = {0.01, 0.02};
    const std::string path = test::ScratchFile("report/yield.xlsx");
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::string error;
    ASSERT_TRUE(results::WriteResultsWorkbook(path, y, {test::SampleRecord(RunKind::Verification, 1)}, &error))
        << error;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, nullptr));
    const auto members = test::ReadZip(bytes);
    ASSERT_TRUE(members);
    const std::map<std::string, std::string>& zip = *members;
    ASSERT_TRUE(zip.count("xl/workbook.xml"));
    const std::string& book = zip.at("xl/workbook.xml");
    for (const char* sheet : {"Yield per day", "Failing items", "Distributions", "Runs"}) {
        EXPECT_NE(book.find(sheet), std::string::npos) << sheet;
    }
    int charts = 0;
    for (const auto& [name, data] : zip) {
        charts += name.rfind("xl/charts/chart", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(charts, 6) << "runs and yield per day, Pareto and its share, two distributions";
}

}  // namespace
}  // namespace halvo

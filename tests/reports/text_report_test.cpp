// The text report against golden files, and how a chosen path decides the report's form.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "reports/report_export.h"
#include "reports/sample_results.h"
#include "reports/text_report.h"

namespace halvo {
namespace {

std::string Golden(const std::string& name) {
    std::string text;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(std::string(HALVO_REPORTS_GOLDEN_DIR) + "/" + name, text, &error)) << error;
    return text;
}

// The white-balance list as a calibration leaves it: label, targets, T(K), gains.
TableControl CalibratedWhiteList() {
    TableControl list;
    const char* labels[7] = {"3200K", "5400K", "6500K", "JUDD-OFFSET", "9300K", "10000K", "11000K"};
    for (int i = 0; i < 7; ++i) {
        TableRow row;
        row.cells = {labels[i], "", "", "100.0", std::to_string(3200 + 1000 * i), "", "",
                     std::to_string(200 + i), std::to_string(210 + i), std::to_string(220 + i)};
        list.rows.push_back(row);
    }
    return list;
}

TEST(TextReport, OnlyGammaGivesOneBlockOfTwentyFourRows) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.onKindToggled(kKindColor, false);
    page.onKindToggled(kKindTemperature, false);
    MeasurementResults results;
    test::MeasureColorSpace(page, results, 0);
    // No calibration measured the whites: no gain section.
    TableControl uncalibrated = CalibratedWhiteList();
    for (TableRow& r : uncalibrated.rows) {
        r.cells[4].clear();
    }
    const std::string text = BuildTextReport(page, "VRL000001", uncalibrated, "180");
    EXPECT_EQ(WithCrLf(text), Golden("only_gamma.txt"));
    // A load without G lines and the white-balance "Clear" leave the cell a single blank (and a
    // field written with "%5d" may hold blanks only): no temperature measured either.
    for (const char* blank : {" ", "     ", "\t"}) {
        for (TableRow& r : uncalibrated.rows) {
            r.cells[4] = blank;
        }
        EXPECT_EQ(BuildTextReport(page, "VRL000001", uncalibrated, "180"), text) << '"' << blank << '"';
    }
}

TEST(TextReport, EverythingWithTwoColourSpaces) {
    test::RecordingSink sink;
    CMeasure page(sink);
    page.onKindToggled(kKindUniformity, true);
    page.onColorSpaceToggled(true);
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        page.onColorSpaceBoxToggled(cs, cs == 1 || cs == 4);
    }
    MeasurementResults results;
    test::MeasureColorSpace(page, results, 1);
    test::MeasureColorSpace(page, results, 4, 0.002);
    test::MeasurePositions(page, results, true);
    const std::string text = BuildTextReport(page, "VRL000001", CalibratedWhiteList(), "180");
    EXPECT_EQ(WithCrLf(text), Golden("two_color_spaces.txt"));
    // The NTSC block is the last and carries the uniformity header before its fourteenth row.
    const size_t ntsc = text.find("ColorSpace : NTSC");
    ASSERT_NE(ntsc, std::string::npos);
    EXPECT_EQ(text.find("Uniformity Data"), text.find("\nUniformity Data \n", ntsc) + 1);
}

TEST(TextReport, ThePathDecidesTheForm) {
    struct Case {
        std::string path;
        ReportForm form;
        std::string finalPath;
    };
    const Case cases[] = {
        {"/r/VRL1.xlsx", ReportForm::Workbook, "/r/VRL1.xlsx"},
        {"/r/VRL1.xls", ReportForm::Workbook, "/r/VRL1.xlsx"},
        {"/r/VRL1.XLS", ReportForm::Workbook, "/r/VRL1.xlsx"},
        {"/r/VRL1", ReportForm::Workbook, "/r/VRL1.xlsx"},
        {"/r/VRL1.txt", ReportForm::Text, "/r/VRL1.txt"},
        {"/r/report.xls.txt", ReportForm::Text, "/r/report.xls.txt"},
        {"/r/VRL1.csv", ReportForm::Unknown, "/r/VRL1.csv"},
        {"/r/", ReportForm::Unknown, "/r/"},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        EXPECT_EQ(ReportFormFor(path), c.form) << c.path;
        EXPECT_EQ(path, c.finalPath) << c.path;
    }
}

TEST(TextReport, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
    test::RecordingSink sink;
    CMeasure page(sink);
    MeasurementResults results;
    const TableControl list;
    const ReportSources sources{page, results, {}, "VRL1", list, "", nullptr};
    const std::string missing = ::testing::TempDir() + "no_such_directory/VRL1.txt";
    std::string error;
    EXPECT_FALSE(SaveReportFile(missing, ReportForm::Text, sources, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(missing));
    error.clear();
    EXPECT_FALSE(SaveReportFile(::testing::TempDir() + "VRL1.csv", ReportForm::Unknown, sources, &error));
    EXPECT_EQ(error, "A report is saved as a workbook (.xlsx), as text (.txt) or as a certificate (.pdf).");
}

}  // namespace
}  // namespace halvo

// The report sheets as a model: where each test stands, what it shows, and the sheets a run
// gets.

#include <gtest/gtest.h>

#include "common/text_format.h"
#include "reports/report_book.h"
#include "reports/sample_results.h"

namespace halvo {
namespace {

class ReportBookTest : public ::testing::Test {
protected:
    ReportInputs inputs(uint8_t mask, bool mode) {
        ReportInputs in;
        in.results = &results;
        in.colorSpaceMask = mask;
        in.colorSpaceMode = mode;
        in.alternateWhites = page.alternateWhites;
        in.date = "03/14/2025 09:26:53";
        in.model = "TXM-300 V2.10 (SN4711)";
        in.probe = "CA-210";
        in.calibrationId = "VRL000001";
        in.testedBy = "M. Arden";
        in.versionMajor = 8;
        in.versionMinor = 0;
        return in;
    }
    const VerdictLine& line(const ReportBook& book, const std::string& test, const std::string& item,
                            const std::string& quantity) {
        for (const VerdictLine& v : book.verdicts) {
            if (v.test == test && v.item == item && v.quantity == quantity) {
                return v;
            }
        }
        static const VerdictLine none{};
        ADD_FAILURE() << "no line " << test << " / " << item << " / " << quantity;
        return none;
    }

    test::RecordingSink sink;
    CMeasure page{sink};
    MeasurementResults results;
};

TEST_F(ReportBookTest, TheSummaryListsEveryTestWhereItBelongs) {
    test::MeasureColorSpace(page, results, 0);
    test::MeasurePositions(page, results, true);
    const ReportBook book = BuildReportBook(inputs(1, false));
    ASSERT_EQ(book.sheets.size(), 2u);
    const ReportSheet& s = book.sheets[0];
    EXPECT_EQ(s.name, "Measure");
    EXPECT_EQ(book.sheets[1].name, "Native");
    // Header rows, labels over columns 1-2 and values over 3-5.
    EXPECT_EQ(s.textAt(2, 1), "Data");
    EXPECT_EQ(s.textAt(2, 3), "03/14/2025 09:26:53");
    EXPECT_EQ(s.textAt(3, 3), "TXM-300 V2.10 (SN4711)");
    EXPECT_EQ(s.textAt(6, 1), "Tested By");
    EXPECT_EQ(s.textAt(6, 3), "M. Arden");
    EXPECT_EQ(s.textAt(7, 1), "No.");
    EXPECT_EQ(s.textAt(7, 9), "Pass ");
    // The tests: number, name, item, criterion, quantity, value, verdict.
    EXPECT_EQ(s.textAt(8, 1), "1");
    EXPECT_EQ(s.textAt(8, 2), "Luminance of White");
    EXPECT_EQ(s.textAt(8, 4), "3200K");
    EXPECT_EQ(s.textAt(8, 5), "100cd/\u33A1\u00B120%  (80~120)");
    EXPECT_EQ(s.textAt(10, 5), "100cd/\u33A1\u00B15%  (95~105)");
    EXPECT_EQ(s.textAt(8, 6), "Lv");
    EXPECT_EQ(s.textAt(8, 8), " 98.00");
    EXPECT_EQ(s.textAt(12, 2), "Luminance of Black");
    EXPECT_EQ(s.textAt(12, 5), "\u2264 0.30 cd/\u33A1");
    EXPECT_EQ(s.textAt(12, 8), "0.1200");
    EXPECT_EQ(s.textAt(12, 9), "OK");
    EXPECT_EQ(s.textAt(13, 2), "Color Temperature");
    EXPECT_EQ(s.textAt(13, 7), "\u0394u'");
    EXPECT_EQ(s.textAt(14, 7), "\u0394v'");
    EXPECT_EQ(s.textAt(19, 5), "\u2264 0.0040");
    EXPECT_EQ(s.textAt(21, 2), "Primary Colors");
    EXPECT_EQ(s.textAt(21, 4), "Native");
    EXPECT_EQ(s.textAt(27, 6), "gamut(%)");
    EXPECT_EQ(s.textAt(28, 4), "BT-709");
    EXPECT_EQ(s.textAt(28, 5), "\u2264 0.0060");
    EXPECT_EQ(s.textAt(34, 5), "71% \u00B1 5%");
    EXPECT_EQ(s.textAt(56, 4), "D-CINEMA");
    EXPECT_EQ(s.textAt(63, 2), "Gamma");
    EXPECT_EQ(s.textAt(68, 4), "D-CINEMA");
    EXPECT_EQ(s.textAt(68, 5), "2.60\u00B10.02");
    EXPECT_EQ(s.textAt(63, 8), Format("%6.3lf", results.spaces[0].gammaValue));
    EXPECT_EQ(s.textAt(69, 2), "Uniformity");
    EXPECT_EQ(s.textAt(69, 8), "  8.50");
    EXPECT_EQ(s.textAt(69, 9), "OK");
    EXPECT_EQ(s.textAt(70, 1), "Tintara- V8.0");
    EXPECT_EQ(s.printLastRow, 77);
    EXPECT_EQ(s.printLastCol, 9);
}

TEST_F(ReportBookTest, ValuesAndVerdictsOfAMeasuredColourSpace) {
    test::MeasureColorSpace(page, results, 0);
    const ReportBook book = BuildReportBook(inputs(1, false));
    EXPECT_EQ(line(book, "Luminance of White", "3200K", "Lv").value, " 98.00");
    EXPECT_EQ(line(book, "Luminance of White", "3200K", "Lv").verdict, Verdict::Ok);
    // The sample's whites are 0.001 off in x and y: about 0.0007 in u' and 0.0011 in v'.
    const VerdictLine& du = line(book, "Color Temperature", "6500K", "\u0394u'");
    EXPECT_EQ(du.verdict, Verdict::Ok);
    EXPECT_EQ(du.value.size(), 6u);
    EXPECT_EQ(line(book, "Primary Colors", "Native", "gamut(%)").value, Format("%6.4lf", 70.828065739570));
    EXPECT_EQ(line(book, "Primary Colors", "BT-709", "gamut(%)").verdict, Verdict::NotMeasured);
    EXPECT_EQ(line(book, "Primary Colors", "BT-709", "gamut(%)").value, "");
    EXPECT_EQ(line(book, "Uniformity", "", "").verdict, Verdict::NotMeasured);
    EXPECT_FALSE(book.anyOutOfRange());
}

TEST_F(ReportBookTest, WithoutColourTemperaturesTestsOneAndThreeAreNotMeasured) {
    page.onKindToggled(kKindTemperature, false);
    test::MeasureColorSpace(page, results, 0);
    for (ColorReading& t : results.spaces[0].temperatures) {
        t = NotMeasuredReading();
    }
    const ReportBook book = BuildReportBook(inputs(1, false));
    int rows = 0;
    for (const VerdictLine& v : book.verdicts) {
        if (v.test == "Luminance of White" || v.test == "Color Temperature") {
            EXPECT_EQ(v.verdict, Verdict::NotMeasured) << v.test << " " << v.item;
            EXPECT_EQ(v.value, "") << v.test << " " << v.item;
            ++rows;
        }
    }
    EXPECT_EQ(rows, 4 + 8);
    EXPECT_EQ(book.sheets[0].textAt(8, 9), "N/A");
    EXPECT_EQ(book.sheets[0].textAt(8, 8), "");
}

TEST_F(ReportBookTest, OnlyBt709GivesTheSummaryAndOneDetailSheet) {
    page.onColorSpaceToggled(true);
    test::MeasureColorSpace(page, results, 1);
    const ReportBook book = BuildReportBook(inputs(0x02, true));
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[1].name, "BT.709");
    const ReportSheet& d = book.sheets[1];
    EXPECT_EQ(d.textAt(8, 1), "Gamut (%)");
    EXPECT_EQ(d.textAt(8, 3), " 70.83");
    EXPECT_EQ(d.textAt(10, 1), "Primary");
    EXPECT_EQ(d.textAt(10, 9), "\u0394v' Tolerance");
    EXPECT_EQ(d.textAt(11, 7), "\u0394Y (cd/\u33A1)");
    EXPECT_EQ(d.textAt(14, 1), "R");
    EXPECT_EQ(d.textAt(14, 3), "0.6400");
    // The sample's red is on its target: the differences are zero, the tolerance 0.006/0.005.
    EXPECT_EQ(d.textAt(15, 3), "0.0000");
    EXPECT_EQ(d.textAt(14, 8), "0.0060");
    EXPECT_EQ(d.textAt(14, 9), "0.0050");
    EXPECT_EQ(d.textAt(27, 1), "Color Temperature");
    EXPECT_EQ(d.textAt(27, 8), "T(K)");
    EXPECT_EQ(d.textAt(33, 1), "6500K");
    EXPECT_EQ(d.textAt(38, 1), "Y Intensity vs video level(Gamma)");
    EXPECT_EQ(d.textAt(57, 6), "CIE 1976 chart(u'v' Plot)");
    ASSERT_EQ(d.pictures.size(), 4u);
    EXPECT_EQ(d.pictures[0].row, 40);
    EXPECT_EQ(d.pictures[0].col, 2);
    EXPECT_EQ(d.pictures[3].row, 60);
    EXPECT_EQ(d.pictures[3].col, 6);
    EXPECT_EQ(d.pictures[3].chartKind, kChartUv);
    for (const ReportPicture& p : d.pictures) {
        EXPECT_EQ(p.width, 245);
        EXPECT_EQ(p.height, 245);
        EXPECT_EQ(p.xOffset, 2);
        EXPECT_EQ(p.yOffset, 20);
        EXPECT_EQ(p.colorSpace, 1);
    }
}

TEST_F(ReportBookTest, TheSecondModelAddsItsJuddOffsetRows) {
    page.alternateWhites = true;
    page.onColorSpaceToggled(true);
    test::MeasureColorSpace(page, results, 1);
    results.spaces[1].repeatedGamma = results.spaces[1].gamma;
    results.spaces[1].repeatedGammaValue = 2.22;
    const ReportBook book = BuildReportBook(inputs(0x02, true));
    const ReportSheet& s = book.sheets[0];
    EXPECT_EQ(s.textAt(10, 4), "JUDD-OFFSET");
    EXPECT_EQ(s.textAt(65, 4), "JUDD-OFFSET");
    EXPECT_EQ(s.textAt(65, 8), " 2.220");
    EXPECT_EQ(s.textAt(65, 9), "OK");
    EXPECT_EQ(s.textAt(69, 4), "D-CINEMA");
    EXPECT_EQ(s.textAt(70, 2), "Uniformity");
    EXPECT_EQ(s.textAt(71, 1), "Tintara- V8.0");
    // The grey-scale tracking of the BT.709 run, and of the repeated run below it.
    EXPECT_EQ(s.textAt(73, 1), "D65");
    EXPECT_EQ(s.textAt(74, 3), "0%");
    EXPECT_EQ(s.textAt(74, 13), "100%");
    EXPECT_EQ(s.textAt(75, 1), "Vorla x:");
    EXPECT_EQ(s.textAt(75, 3), "");  // level 0 stays empty
    EXPECT_EQ(s.textAt(75, 13), " 0.313");
    EXPECT_EQ(s.textAt(77, 13), "100.120");
    EXPECT_EQ(s.textAt(81, 13), "100.120");  // the target of full white is the measured white
    EXPECT_EQ(s.textAt(84, 1), "\u03946500K:");
    EXPECT_EQ(s.textAt(87, 1), "JUDD-OFFSET");
    EXPECT_EQ(s.textAt(93, 1), "Target y:");
    EXPECT_EQ(s.textAt(93, 13), " 0.318");
    EXPECT_EQ(s.textAt(95, 1), "\u0394Y:");
}

}  // namespace
}  // namespace halvo

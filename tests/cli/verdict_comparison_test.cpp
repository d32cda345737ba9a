// The before/after table of the demo: pairing of verdict lines, the counts that decide the exit
// code, and the column layout with the Greek letters of the quantities.

#include "cli/verdict_comparison.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace halvo::cli {
namespace {

VerdictLine Line(const char* test, const char* item, const char* quantity, const char* value, Verdict v) {
    return VerdictLine{test, item, quantity, value, v, ""};
}

TEST(VerdictComparison, PairsLinesByTestItemAndQuantityWhateverTheirOrder) {
    const std::vector<VerdictLine> before = {
        Line("Gamma", "Native", "Black~White", " 2.232", Verdict::OutOfRange),
        Line("Color Temperature", "6500K", "\u0394u'", "0.0036", Verdict::OutOfRange),
        Line("Color Temperature", "6500K", "\u0394v'", "0.0050", Verdict::OutOfRange),
        Line("Luminance of Black", "", "Black Level", "0.1414", Verdict::Ok),
        Line("Only Before", "", "", "1", Verdict::OutOfRange),
    };
    const std::vector<VerdictLine> after = {
        Line("Color Temperature", "6500K", "\u0394v'", "0.0005", Verdict::Ok),
        Line("Color Temperature", "6500K", "\u0394u'", "0.0004", Verdict::Ok),
        Line("Gamma", "Native", "Black~White", "2.201 ", Verdict::Ok),
        Line("Uniformity", "", "", "", Verdict::NotMeasured),
        Line("Luminance of Black", "", "Black Level", "0.1410", Verdict::Ok),
    };
    const Comparison c = CompareVerdicts(before, after);
    ASSERT_EQ(c.lines.size(), 5u);
    EXPECT_EQ(c.lines[0].quantity, "\u0394v'");
    EXPECT_EQ(c.lines[0].before, "0.0050");  // not the Δu' line next to it
    EXPECT_EQ(c.lines[1].before, "0.0036");
    EXPECT_EQ(c.lines[2].before, "2.232");  // trimmed both ways
    EXPECT_EQ(c.lines[2].after, "2.201");
    EXPECT_EQ(c.lines[2].beforeVerdict, Verdict::OutOfRange);
    EXPECT_FALSE(c.lines[3].inBefore);
    EXPECT_TRUE(c.lines[4].inBefore);
    // The line only the earlier run had counts there but is not shown.
    EXPECT_EQ(c.measuredBefore, 5);
    EXPECT_EQ(c.outOfRangeBefore, 4);
    EXPECT_EQ(c.measuredAfter, 4);  // N/A is not measured
    EXPECT_EQ(c.outOfRangeAfter, 0);
    EXPECT_TRUE(c.passedAfter());
}

TEST(VerdictComparison, RepeatedKeysPairInOrderAndAnEmptyOrFailedRunDoesNotPass) {
    const std::vector<VerdictLine> twice = {Line("T", "i", "q", "1", Verdict::Ok), Line("T", "i", "q", "2", Verdict::Ok)};
    const std::vector<VerdictLine> three = {Line("T", "i", "q", "3", Verdict::Ok), Line("T", "i", "q", "4", Verdict::Ok),
                                            Line("T", "i", "q", "5", Verdict::OutOfRange)};
    const Comparison c = CompareVerdicts(twice, three);
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(c.lines[0].before, "1");
    EXPECT_EQ(c.lines[1].before, "2");
    EXPECT_FALSE(c.lines[2].inBefore);
    EXPECT_FALSE(c.passedAfter());

    // A verification that measured nothing proves nothing.
    const Comparison none = CompareVerdicts(twice, {Line("Uniformity", "", "", "", Verdict::NotMeasured)});
    EXPECT_EQ(none.measuredAfter, 0);
    EXPECT_FALSE(none.passedAfter());
}

TEST(VerdictComparison, ColumnsStayAlignedWithMultiByteCharacters) {
    EXPECT_EQ(PadToWidth("\u0394u'", 5), "\u0394u'  ");
    EXPECT_EQ(PadToWidth("Lv", 5), "Lv   ");
    EXPECT_EQ(PadToWidth("toolong", 3), "toolong");

    const Comparison c = CompareVerdicts(
        {Line("Color Temperature", "9300K", "\u0394v'", "0.0022", Verdict::Ok)},
        {Line("Color Temperature", "9300K", "\u0394v'", "0.0002", Verdict::Ok),
         Line("Luminance of White", "9300K", "Lv", "98.00", Verdict::Ok),
         Line("Uniformity", "", "", "", Verdict::NotMeasured)});
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    PrintComparison(out, c);
    std::fclose(out);
    const std::string text(buffer, size);
    std::free(buffer);
    // The after column starts at the same character in every row: 21 + 13 + 13 + 15.
    const auto row = [](const char* test, const char* item, const char* quantity, const char* before, const char* after) {
        return PadToWidth(test, 21) + PadToWidth(item, 13) + PadToWidth(quantity, 13) + PadToWidth(before, 15) + after + "\n";
    };
    EXPECT_NE(text.find("Color Temperature    9300K        \u0394v'          0.0022 OK      0.0002 OK\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(row("Luminance of White", "9300K", "Lv", "-", "98.00 OK")), std::string::npos) << text;
    EXPECT_NE(text.find(row("Uniformity", "", "", "-", "N/A")), std::string::npos) << text;
    EXPECT_NE(text.find("Before: 0 of 1 measured items out of range. After: 0 of 2 out of range, the monitor passes.\n"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace halvo::cli

// The Config.ini line format and the number reading behind the page's fields.

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "setup/decimal_text.h"
#include "setup_fixture.h"

namespace halvo {
namespace {

using test::kDefaultConfig;

TEST(ConfigIni, AcceptsOnlyAWholeFileOfThisVersion) {
    std::string lf = kDefaultConfig;
    std::erase(lf, '\r');
    const std::string body = kDefaultConfig.substr(4);  // after ">909"
    struct Case {
        const char* name;
        std::string content;
        bool accepted;
    };
    const Case cases[] = {
        {"CR LF", kDefaultConfig, true},
        {"LF", lf, true},
        {"no break after line 22", kDefaultConfig.substr(0, kDefaultConfig.size() - 2), true},
        {"lines past 22", kDefaultConfig + "extra\r\n", true},
        {"other version", ">908" + body, false},
        {"key with junk", ">909x" + body, false},
        {"key without >", "909" + body, false},
        {"huge key", ">99999999999999999999" + body, false},
        {"21 lines", kDefaultConfig.substr(0, kDefaultConfig.size() - 3), false},
        {"empty", "", false},
        {"binary", std::string("\0\xff>909\n", 7), false},
        {"too large", kDefaultConfig + std::string(kMaxConfigBytes, 'x'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseConfigIni(c.content, 909).has_value(), c.accepted) << c.name;
    }
    EXPECT_EQ(ParseConfigIni(lf, 909)->text[kColorSpaceStepLine], "8");
}

TEST(ConfigIni, WritesCrLfLinesThatReadBackUnchanged) {
    ConfigLines lines = *ParseConfigIni(kDefaultConfig, 909);
    EXPECT_EQ(FormatConfigIni(909, lines), kDefaultConfig);

    static constexpr char kOdd[] = "odd\rline\0with\x01 bytes\r";
    lines[kReservedLine] = std::string(kOdd, sizeof kOdd - 1);
    lines[kDeviationXLine] = "2\n3";  // a line feed would shift every later line
    const std::optional<ConfigLines> back = ParseConfigIni(FormatConfigIni(909, lines), 909);
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)[kReservedLine], lines[kReservedLine]);
    EXPECT_EQ((*back)[kDeviationXLine], "23");
    EXPECT_EQ((*back)[kColorSpaceStepLine], "8");
}

TEST(DecimalText, ReadsFieldsTheWayOperatorsTypeThem) {
    struct Case {
        const char* text;
        std::optional<int> leading;
        std::optional<int> whole;
    };
    const Case cases[] = {
        {"  -12 ", -12, -12},
        {"+7", 7, 7},
        {"12 ms", 12, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"99999999999", INT_MAX, std::nullopt},
        {"-99999999999", INT_MIN, std::nullopt},
        {"-2147483648", INT_MIN, INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LeadingDecimal(c.text), c.leading) << '"' << c.text << '"';
        EXPECT_EQ(WholeDecimal(c.text), c.whole) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace halvo

// Argument handling and JSON output shared by the subcommands.

#include <gtest/gtest.h>

#include <cmath>

#include "cli/cli_args.h"
#include "cli/json_writer.h"

namespace halvo::cli {
namespace {

TEST(Args, TakesOptionsAndLeavesNegativeNumbersAsPositionals) {
    Args a({"xyY", "--lv", "50", "-0.25", "--json", "--port=/dev/ttyUSB0", "1e-3"});
    EXPECT_TRUE(a.takeFlag("--json"));
    EXPECT_FALSE(a.takeFlag("--json"));
    EXPECT_EQ(a.takeOption("--lv"), "50");
    EXPECT_EQ(a.takeOption("--port"), "/dev/ttyUSB0");
    EXPECT_EQ(a.takeOption("--missing"), std::nullopt);
    EXPECT_EQ(a.positionals(), (std::vector<std::string>{"xyY", "-0.25", "1e-3"}));
    EXPECT_TRUE(a.error().empty());
}

TEST(Args, ReportsAMissingValueAndUnknownOptions) {
    Args a({"kelvin", "--lv"});
    EXPECT_EQ(a.takeOption("--lv"), std::nullopt);
    EXPECT_EQ(a.error(), "--lv needs a value");
    Args b({"kelvin", "--frobnicate"});
    b.positionals();
    EXPECT_EQ(b.error(), "unknown option --frobnicate");
}

TEST(ParseNumbers, AcceptOnlyWholeFiniteNumbers) {
    EXPECT_EQ(ParseDouble("0.3127"), 0.3127);
    EXPECT_EQ(ParseDouble("-1e-3"), -1e-3);
    for (const char* bad : {"", "0.3x", "nan", "inf", "1e999", " 1"}) {
        EXPECT_FALSE(ParseDouble(bad).has_value()) << bad;
    }
    EXPECT_EQ(ParseLong("6500"), 6500);
    EXPECT_FALSE(ParseLong("6500.5").has_value());
    EXPECT_FALSE(ParseLong("99999999999999999999").has_value());
}

TEST(JsonWriter, NestsEscapesAndKeepsNumbersExact) {
    JsonWriter j;
    j.beginObject().string("name", "a\"b\\c\n\x01").number("x", 0.1).number("bad", std::nan(""));
    j.beginArray("list").integer(nullptr, 1).boolean(nullptr, false).null(nullptr).endArray();
    j.beginObject("inner").endObject().endObject();
    EXPECT_EQ(j.text(),
              "{\"name\":\"a\\\"b\\\\c\\n\\u0001\",\"x\":0.10000000000000001,\"bad\":null,"
              "\"list\":[1,false,null],\"inner\":{}}");
}

}  // namespace
}  // namespace halvo::cli

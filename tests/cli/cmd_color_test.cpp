// halvo-cli color: output forms and refusal of bad arguments.

#include <gtest/gtest.h>

#include "support/capture.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

TEST(CliColor, PrintsBothColourTemperaturesOfD65AsText) {
    const auto r = RunCliCaptured({"color", "xyY", "0.3127", "0.329", "100"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    EXPECT_NE(r.out.find("  T              6503 K (isotemperature lines"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  T              6504.24 K (locus spline"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Duv            +0.003207 (Ohno"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Error flags    0 (none)"), std::string::npos);
}

TEST(CliColor, JsonUsesTheFieldNamesOfTheCode) {
    const auto r = RunCliCaptured({"color", "kelvin", "6500", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one object on one line";
    for (const char* key : {"\"reading\":{\"cct\":6500,\"x\":0.31280000000000002,\"y\":0.32900000000000001,",
                            "\"vp\":", "\"lv\":100,", "\"record\":{", "\"dominantWavelength\":", "\"lStar\":",
                            "\"errorFlags\":0", "\"robertsonCct\":"}) {
        EXPECT_NE(r.out.find(key), std::string::npos) << key << " in " << r.out;
    }
}

TEST(CliColor, XyzFlagsUnusableInputAndAlternateWhitesMove7000K) {
    const auto neg = RunCliCaptured({"color", "XYZ", "10", "10", "-5", "--json"});
    ASSERT_EQ(neg.exitCode, 0);
    EXPECT_NE(neg.out.find("\"errorFlags\":40"), std::string::npos) << neg.out;  // unusable, far from locus

    const auto alt = RunCliCaptured({"color", "kelvin", "7000", "--alternate-whites", "--lv", "80", "--json"});
    ASSERT_EQ(alt.exitCode, 0);
    EXPECT_NE(alt.out.find("\"x\":0.307,\"y\":0.318"), std::string::npos) << alt.out;
    EXPECT_NE(alt.out.find("\"lv\":80"), std::string::npos);

    const auto source = RunCliCaptured({"color", "source", "D65"});
    ASSERT_EQ(source.exitCode, 0);
    EXPECT_NE(source.out.find("Source D"), std::string::npos);
}

TEST(CliColor, WrongArgumentsGiveUsageAndExitTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"color"},
        {"color", "xyY", "0.3", "0.3"},
        {"color", "xyY", "0.3", "abc", "1"},
        {"color", "xyY", "0.3", "0.3", "1", "--lv", "5"},
        {"color", "kelvin", "999"},
        {"color", "kelvin", "6500.5"},
        {"color", "kelvin", "6500", "--lv"},
        {"color", "kelvin", "6500", "--lv", "-1"},
        {"color", "source", "F2"},
        {"color", "Lab", "1", "2", "3"},
        {"color", "de2000", "50", "2.6772", "-79.7751", "50", "0"},
        {"color", "de2000", "50", "2.6772", "-79.7751", "50", "0", "-82.7485", "1"},
        {"color", "de2000", "50", "a", "-79.7751", "50", "0", "-82.7485"},
        {"color", "de2000", "50", "0", "0", "50", "0", "0", "--lv", "5"},
        {"color", "xyY", "0.3", "0.3", "1", "--verbose"},
        {"colour"},
        {},
    };
    for (const auto& args : bad) {
        const auto r = RunCliCaptured(args);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
        EXPECT_TRUE(r.out.empty()) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: halvo-cli"), std::string::npos) << testing::PrintToString(args);
    }
}

TEST(CliColor, De2000PrintsTheDifferenceOfTwoCielabColours) {
    // The first pair of Sharma, Wu and Dalal's test data; negative numbers are values, not options.
    const auto r = RunCliCaptured({"color", "de2000", "50", "2.6772", "-79.7751", "50", "0", "-82.7485"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("CIEDE2000        2.0425\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("L*a*b* 2         50.0000  0.0000  -82.7485\n"), std::string::npos) << r.out;
    const auto j = RunCliCaptured({"color", "de2000", "50", "2.5", "0", "73", "25", "-18", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    EXPECT_EQ(j.out.rfind("{\"first\":{\"L\":50,\"a\":2.5,\"b\":0},\"second\":{\"L\":73,\"a\":25,\"b\":-18},"
                          "\"deltaE2000\":27.149",
                          0),
              0u)
        << j.out;
}

TEST(CliColor, HelpAndVersionGoToStdout) {
    EXPECT_EQ(RunCliCaptured({"color", "--help"}).out.rfind("usage: halvo-cli color", 0), 0u);
    const auto v = RunCliCaptured({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out.rfind("halvo-cli ", 0), 0u);
    const auto overview = RunCliCaptured({"--help"});
    EXPECT_NE(overview.out.find("  color "), std::string::npos);
}

}  // namespace
}  // namespace halvo

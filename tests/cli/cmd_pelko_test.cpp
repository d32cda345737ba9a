// halvo-cli pelko-search and measure --instrument PELKO on the simulated station.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

class CliPelko : public test::InScratchDirectory {};

TEST_F(CliPelko, SearchListsTheDevicesWithTheirIndices) {
    const auto two = RunCliCaptured({"pelko-search", "--simulate", "--pelko-devices", "2"});
    ASSERT_EQ(two.exitCode, 0) << two.err;
    EXPECT_EQ(two.out, "0  2106, 1001\n1  2106, 1002\n");
    const auto json = RunCliCaptured({"pelko-search", "--simulate", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out, "{\"index\":0,\"device\":\"2106, 1001\"}\n");

    const auto none = RunCliCaptured({"pelko-search", "--simulate", "--pelko-devices", "0", "--log", "search.log"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("no PELKO device found"), std::string::npos) << none.err;
    std::ifstream log(dir_ + "/search.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("No matching PELKO device found!"), std::string::npos) << text;

    EXPECT_EQ(RunCliCaptured({"pelko-search", "--simulate", "--pelko-devices", "9"}).exitCode, 2);
    EXPECT_EQ(RunCliCaptured({"pelko-search", "extra"}).exitCode, 2);
}

TEST_F(CliPelko, MeasuresWithTheDeviceChosenFromTheList) {
    const auto r = RunCliCaptured({"measure", "--simulate", "--instrument", "PELKO", "--pelko-devices", "2",
                                   "--device", "1", "--count", "2", "--json", "--log", "measure.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
    EXPECT_EQ(r.out.rfind("{\"x\":0.3", 0), 0u) << r.out;  // the black after the exposure set-up
    std::ifstream log(dir_ + "/measure.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Close the conection to the PELKA"), std::string::npos) << text;

    const auto missing = RunCliCaptured({"measure", "--simulate", "--instrument", "PELKO", "--device", "5"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no PELKO device 5 (the list holds 1)"), std::string::npos) << missing.err;
    EXPECT_EQ(RunCliCaptured({"measure", "--simulate", "--instrument", "PELKO", "--device", "x"}).exitCode, 2);
}

}  // namespace
}  // namespace halvo

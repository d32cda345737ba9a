// The CGATS files of the readings and the targets: their keywords and rows, their names, and
// that ArgyllCMS reads them and finds the station's own colour differences.

#include "reports/cgats_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "common/file_io.h"
#include "common/text_format.h"
#include "reports/sample_results.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Near;

const CgatsHeader kHeader{"Halvo V8.0", "03/14/2025 09:26:53", "TXM-300 \"A\" (SN4711)", "VRL000001", "CA-210"};

// A calibrated BT.709 monitor at 95 cd/m2: its white exactly on the target white, everything
// else a little off, the greys a little brighter than the target gamma.
ColorSpaceResults NearlyCalibrated() {
    ColorSpaceResults r;
    for (int k = 0; k <= 10; ++k) {
        const double level = std::ceil(k * 25.5);
        r.gamma[static_cast<size_t>(k)] =
            test::Reading(0.3127 + 0.0004 * (k % 3), 0.329 - 0.0003 * (k % 2), 0.1 + 94.9 * std::pow(level / 255.0, 2.15));
    }
    r.gamma[10] = test::Reading(0.3127, 0.329, 95.0);
    const double patches[8][3] = {{0.3127, 0.329, 0.1},   {0.3127, 0.329, 95.0}, {0.641, 0.331, 20.1},
                                  {0.301, 0.598, 68.2},   {0.151, 0.062, 6.9},   {0.419, 0.505, 88.0},
                                  {0.320, 0.156, 27.0},   {0.226, 0.329, 74.5}};
    for (int i = 0; i < 8; ++i) {
        r.colors[static_cast<size_t>(1 + i)] = test::Reading(patches[i][0], patches[i][1], patches[i][2]);
    }
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    return lines;
}

TEST(CgatsFile, ReadingsAreNormalisedToTheirWhiteWhichTheHeaderGivesInCandelas) {
    const ColorSpacePatches p = VerifiedPatchesOf(NearlyCalibrated(), 1, DefaultColorSpaceTargets());
    const std::string text = MeasuredCgats(p, kHeader);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "CTI3");
    for (const char* line : {"DEVICE_CLASS \"DISPLAY\"", "COLOR_REP \"RGB_XYZ\"", "NORMALIZED_TO_Y_100 \"YES\"",
                             "HALVO_INSTRUMENT \"CA-210\"", "HALVO_COLOR_SPACE \"BT.709\"",
                             "HALVO_CALIBRATION_ID \"VRL000001\"", "INSTRUMENT_TYPE_SPECTRAL \"NO\"",
                             "SAMPLE_ID SAMPLE_NAME RGB_R RGB_G RGB_B XYZ_X XYZ_Y XYZ_Z", "NUMBER_OF_SETS 19",
                             "END_DATA"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << text;
    }
    // The white in absolute units; the rows relative to it.
    const Xyz w = XyzFromXyY(0.3127, 0.329, 95.0);
    EXPECT_NE(text.find(Format("LUMINANCE_XYZ_CDM2 \"%.6f 95.000000 %.6f\"", w.X, w.Z)), std::string::npos) << text;
    EXPECT_NE(text.find("\n13 \"White\" 100.0000 100.0000 100.0000 " + Format("%.6f 100.000000 %.6f", w.X * 100 / 95, w.Z * 100 / 95)),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n1 \"Grey 0%\" 0.0000 0.0000 0.0000 "), std::string::npos);
    EXPECT_NE(text.find("\n6 \"Grey 50%\" 50.1961 50.1961 50.1961 "), std::string::npos);
    // The format has no escape for a quote inside a quoted value.
    EXPECT_NE(text.find("DESCRIPTOR \"Verification readings of TXM-300 'A' (SN4711), BT.709\""), std::string::npos);
    // The CA-210 is not among the instruments the format names; the K-10 is.
    EXPECT_EQ(text.find("TARGET_INSTRUMENT"), std::string::npos);
    CgatsHeader k10 = kHeader;
    k10.instrument = "K-10";
    EXPECT_NE(MeasuredCgats(p, k10).find("TARGET_INSTRUMENT \"Klein K-10\"\n"), std::string::npos);

    const std::string targets = TargetCgats(p, kHeader);
    EXPECT_NE(targets.find("LUMINANCE_XYZ_CDM2 \"95.045593 100.000000 108.905775\""), std::string::npos) << targets;
    EXPECT_EQ(targets.find("HALVO_INSTRUMENT"), std::string::npos);
    EXPECT_NE(targets.find("\n13 \"White\" 100.0000 100.0000 100.0000 95.045593 100.000000 108.905775\n"),
              std::string::npos);
}

TEST(CgatsFile, OneFileOfReadingsPerColourSpaceAndOneOfTargetsWhereItHasThem) {
    EXPECT_EQ(CgatsPathFor("out/run.ti3", 1, false), "out/run_BT709.ti3");
    EXPECT_EQ(CgatsPathFor("out/run.ti3", 5, true), "out/run_D-Cinema_target.ti3");
    EXPECT_EQ(CgatsPathFor("run", 0, false), "run_Native.ti3");

    const std::string dir = ::testing::TempDir() + "halvo_cgats_files";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    MeasurementResults results;
    results.spaces[0] = NearlyCalibrated();
    results.spaces[1] = NearlyCalibrated();
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(WriteCgatsFiles(dir + "/v.ti3", VerifiedPatchesFor(results, {0, 1, 2}, DefaultColorSpaceTargets()),
                                kHeader, &written, &error))
        << error;
    EXPECT_EQ(written, (std::vector<std::string>{dir + "/v_Native.ti3", dir + "/v_BT709.ti3", dir + "/v_BT709_target.ti3"}));
    // A folder that is not there: refused with the reason, nothing written.
    written.clear();
    EXPECT_FALSE(WriteCgatsFiles(dir + "/missing/v.ti3", VerifiedPatchesFor(results, {1}, DefaultColorSpaceTargets()),
                                 kHeader, &written, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(written.empty());
    std::filesystem::remove_all(dir);
}

struct ArgyllRun {
    int status = -1;
    std::string output;
};

ArgyllRun Colverify(const std::string& options, const std::string& target, const std::string& measured) {
    ArgyllRun run;
    const std::string command = "colverify " + options + " " + target + " " + measured + " 2>&1";
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) {
        return run;
    }
    char buf[512];
    while (std::fgets(buf, sizeof buf, out) != nullptr) {
        run.output += buf;
    }
    run.status = pclose(out);
    return run;
}

// colverify compares by SAMPLE_ID and prints each patch's difference ("12: ... de 0.123456")
// and the average and peak. With -n it normalises each file to its own white's luminance, as the
// station does, and takes as the CIELAB white the mean of the two files' whites: with the
// measured white on the target white that is the target white, and its figures are the
// station's. (A measured white off its target moves colverify's reference white half way; no
// option of colverify takes the reference file's white alone.)
TEST(CgatsFile, ArgyllsColverifyReadsThemAndFindsTheStationsDifferences) {
    const std::string dir = ::testing::TempDir() + "halvo_cgats_argyll";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    MeasurementResults results;
    results.spaces[1] = NearlyCalibrated();
    const std::vector<ColorSpacePatches> spaces = VerifiedPatchesFor(results, {1}, DefaultColorSpaceTargets());
    std::string error;
    ASSERT_TRUE(WriteCgatsFiles(dir + "/v.ti3", spaces, kHeader, nullptr, &error)) << error;
    const ColorSpacePatches& p = spaces.front();
    ASSERT_GT(p.maxDeltaE2000, 0.5) << "the sample must differ from its targets to prove anything";

    // The files carry XYZ to six decimals and colverify prints six: the dark greys' differences
    // move in the sixth.
    constexpr double kPrinted = 1e-5;
    for (const char* mode : {"-n"}) {
        SCOPED_TRACE(mode);
        const ArgyllRun run = Colverify(std::string("-v2 -k ") + mode, dir + "/v_BT709_target.ti3", dir + "/v_BT709.ti3");
        ASSERT_EQ(run.status, 0) << "colverify (Debian's argyll, installed by make deps):\n" << run.output;
        EXPECT_NE(run.output.find("No of test patches = 19"), std::string::npos) << run.output;
        const std::regex patch(R"((\d+): .* de ([0-9.]+))");
        size_t seen = 0;
        for (const std::string& line : Lines(run.output)) {
            std::smatch m;
            if (!std::regex_match(line, m, patch)) {
                continue;
            }
            const size_t id = std::stoul(m[1]);
            ASSERT_GE(id, 1u);
            ASSERT_LE(id, p.patches.size());
            EXPECT_TRUE(Near(std::stod(m[2]), p.patches[id - 1].deltaE2000, kPrinted)) << p.patches[id - 1].name;
            ++seen;
        }
        EXPECT_EQ(seen, p.patches.size()) << run.output;
        std::smatch total;
        ASSERT_TRUE(std::regex_search(run.output, total,
                                      std::regex(R"(Total errors \(CIEDE2000\):\s+peak = ([0-9.]+), avg = ([0-9.]+))")))
            << run.output;
        EXPECT_TRUE(Near(std::stod(total[1]), p.maxDeltaE2000, kPrinted));
        EXPECT_TRUE(Near(std::stod(total[2]), p.meanDeltaE2000, kPrinted));
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace halvo

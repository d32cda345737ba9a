// Rebuilding a data set from a station log: a whole calibration run (gamma, two colour spaces
// at three levels, seven white points, panel gamma, uniformity), and the rules one by one.

#include <gtest/gtest.h>

#include <string>

#include "caldata/log_import.h"
#include "common/file_io.h"

namespace halvo {
namespace {

std::string RunLog() {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(std::string(HALVO_CALDATA_DATA_DIR) + "/calibration_run_log.txt", text, nullptr));
    return text;
}

void ExpectRgb(const ColorSpaceEntry& e, int r, int g, int b, const char* what) {
    EXPECT_EQ(e.r, r) << what;
    EXPECT_EQ(e.g, g) << what;
    EXPECT_EQ(e.b, b) << what;
}

TEST(LogImport, AWholeCalibrationRunComesBack) {
    const CalFileLoad load = ImportLog(RunLog(), "run");
    const CalibrationData& d = load.data;
    EXPECT_TRUE(load.formatOk);
    EXPECT_TRUE(load.warnings.empty());
    EXPECT_EQ(d.calibrationId, "run");

    // Gamma: the 64 table packets, the default panel gamma, the target gamma.
    EXPECT_TRUE(d.gammaPresent);
    EXPECT_EQ(d.gammaTable[0], 0);
    EXPECT_EQ(d.gammaTable[5], 8);
    EXPECT_EQ(d.gammaTable[255], 18255);
    EXPECT_EQ(load.gammaText, "2.21");
    EXPECT_EQ(d.panelGammaCode, (std::array<uint8_t, 6>{9, 9, 9, 9, 9, 9})) << "the last default panel gamma";
    EXPECT_TRUE(load.targetGammaRead);
    EXPECT_DOUBLE_EQ(d.targetGamma, 2.2);

    // Colour space: BT.709 and EBU, levels 255, 204 and 153.
    EXPECT_EQ(d.bitDepth, 1);
    EXPECT_TRUE(load.colorSpaceRequested);
    EXPECT_FALSE(load.colorSpaceRefused);
    EXPECT_EQ(d.colorSpaceMask, 0x05);
    EXPECT_TRUE(load.levelChecked);
    EXPECT_EQ(d.levelCount, 7) << "the last level drive, 153, is level index 6";
    ExpectRgb(d.entry(kBt709, kSlotWhite, 0), 247, 245, 237, "BT.709 white gains");
    ExpectRgb(d.entry(kBt709, kSlotWhite, 3), 5, -3, 2, "BT.709 white at 204");
    ExpectRgb(d.entry(kBt709, kSlotWhite, 6), 8, -6, 2, "BT.709 white at 153");
    ExpectRgb(d.entry(kBt709, kSlotWhite, 2), 0, 0, 0, "no white at an uncalibrated level");
    ExpectRgb(d.entry(kBt709, kSlotRed, 0), 1, -1, 0, "BT.709 red");
    ExpectRgb(d.entry(kBt709, kSlotRed, 6), 1, -1, 6, "BT.709 red at 153");
    ExpectRgb(d.entry(kEbu, kSlotWhite, 0), 245, 245, 239, "EBU white gains");
    ExpectRgb(d.entry(kEbu, kSlotWhite, 3), 7, -3, 2, "EBU white at 204");
    ExpectRgb(d.entry(kEbu, kSlotMagenta, 6), 6, -18, 6, "EBU magenta at 153");
    ExpectRgb(d.entry(kSmpteC, kSlotRed, 0), 0, 0, 0, "SMPTE-C was not calibrated");
    EXPECT_EQ(d.entry(kEbu, kSlotMagenta, 6).reading.x, 0.0) << "readings are not in the log";

    // White point: the last gains sent for each of the seven targets.
    EXPECT_EQ(d.targetGains[0], (Rgb8{242, 230, 198}));
    EXPECT_EQ(d.targetGains[6], (Rgb8{182, 236, 228}));
    EXPECT_EQ(d.gainTexts[6][6], "182");
    EXPECT_EQ(load.gainColumnsSet[3], 7u << 6) << "only the R, G, B columns";

    // Uniformity: the settings of the last packet (its logged copy agrees) and nine positions.
    EXPECT_TRUE(d.uniformityPresent);
    EXPECT_EQ(d.uniformity, (UniformitySettings{128, 12, 8, 0, 15, 20, 9, 3, 0, 17}));
    const std::array<std::string, 9> row = {"193.00", "189.50", "186.00", "196.50", "200.00",
                                            "182.50", "172.00", "175.50", "179.00"};
    EXPECT_EQ(d.uniformityTexts, row);
}

TEST(LogImport, MarkersAndTheirArguments) {
    const std::string log =
        "Start Gamma Calibration at the first character is no marker\n"
        "CAL: Set monitor gamma(16)\n"
        "CAL: Write default panel gamma(22)\n"
        "CAL: Change CS Level 999\n"
        "CAL: Set Native ColorSpace(7)\n"
        "CAL: Calibration ID=Start Colorspace Calibration\n";
    const CalFileLoad load = ImportLog(log, "x");
    EXPECT_DOUBLE_EQ(load.data.targetGamma, 2.35);
    EXPECT_EQ(load.gammaText, "2.2");
    EXPECT_EQ(load.data.panelGammaCode[5], 8) << "no code given";
    EXPECT_EQ(load.data.levelCount, 1);
    EXPECT_FALSE(load.levelChecked);
    EXPECT_EQ(load.data.colorSpaceMask, 0);
    EXPECT_FALSE(load.colorSpaceRequested) << "the first marker in the list decides the line";
    EXPECT_EQ(load.data.bitDepth, 0);
    EXPECT_EQ(load.ignoredLines, 1);
}

TEST(LogImport, TablesNeverOverflow) {
    std::string log;
    for (int i = 0; i < 70; ++i) {
        log += "CAL: Gamma to Lv 0 = (1,2,3,4...)\n";
    }
    log += "CAL: Start Color temperature Calibration\n";
    for (int i = 0; i < 9; ++i) {
        log += "CAL: RGB gain(1,2,3)\nCAL: Set color temperature(6500)\n";
    }
    for (int i = 0; i < 11; ++i) {
        log += "CAL: Draw target marker\nCAL: Set CSC&Gamma(1)\nCAL: Set monitor gamma(14)\nCAL: x Lv:123.45 T\n";
    }
    const CalFileLoad load = ImportLog(log, "x");
    EXPECT_EQ(load.data.gammaTable[255], 4);
    EXPECT_EQ(load.data.targetGains[6], (Rgb8{1, 2, 3}));
    EXPECT_EQ(load.data.uniformityTexts[6], "123.45");
    EXPECT_EQ(load.ignoredLines, 6 + 2 + 2);
    ASSERT_FALSE(load.warnings.empty());
    EXPECT_NE(load.warnings[0].find("more than 256 gamma table values"), std::string::npos) << load.warnings[0];
}

TEST(LogImport, UniformityPatternMustBeUnbroken) {
    const std::string log =
        "CAL: Draw target marker\nCAL: Set CSC&Gamma(1)\nCAL: something else\nCAL: x Lv:111.11 T\n"
        "CAL: Draw target marker\nCAL: Set CSC&Gamma(0)\nCAL: Set monitor gamma(14)\nCAL: x Lv:222.22 T\n"
        "CAL: Draw target marker\nCAL: Set CSC&Gamma(1)\nCAL: Set monitor gamma(14)\nCAL: x Lv:333.33 T\n";
    const CalFileLoad load = ImportLog(log, "x");
    EXPECT_EQ(load.data.uniformityTexts[4], "333.33") << "the first whole pattern is the centre";
    EXPECT_EQ(load.data.uniformityTexts[3], " ");
    EXPECT_FALSE(load.data.uniformityPresent) << "only a uniformity packet marks the data present";
}

}  // namespace
}  // namespace halvo

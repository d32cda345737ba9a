// Colour-space and white-point targets, the target file, and the checks before a copy.

#include <gtest/gtest.h>

#include <cmath>

#include "caldata/color_space_targets.h"
#include "caldata/copy_check.h"
#include "caldata/target_file.h"
#include "caldata/white_point_targets.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::AgreesToDigits;

TEST(ColorSpaceTargets, TableAgreesWithItsOwnUcsColumns) {
    // The u', v' columns are printed with four decimals from x, y (CIE 1976 UCS); a mistyped
    // digit in either shows here.
    const ColorSpaceTargetTable& table = DefaultColorSpaceTargets();
    for (int space = 0; space < kColorSpaceCount; ++space) {
        for (int slot = 0; slot < kColorSlotCount; ++slot) {
            const ColorSpaceTarget& t = table[static_cast<size_t>(space)][static_cast<size_t>(slot)];
            const double d = 12 * t.y - 2 * t.x + 3;
            EXPECT_NEAR(4 * t.x / d, t.u, 1.5e-4) << space << "/" << slot;
            EXPECT_NEAR(9 * t.y / d, t.vp, 1.5e-4) << space << "/" << slot;
        }
    }
    EXPECT_EQ(table[kDCinema][kSlotWhite].Y, 48);
}

TEST(ColorSpaceTargets, LevelsScaleLuminanceWithGamma22) {
    const ColorSpaceTarget& white = DefaultColorSpaceTargets()[kBt709][kSlotWhite];
    EXPECT_DOUBLE_EQ(ColorSpaceTargetReading(white, 0).lv, 100.0);
    // Drive 153 = level index 6: (9 / 15)^2.2 of white.
    EXPECT_TRUE(AgreesToDigits(ColorSpaceTargetReading(white, 6).lv, "32.5"));
    EXPECT_DOUBLE_EQ(ColorSpaceTargetReading(white, 6).x, 0.3127);
}

TEST(ColorSpaceTargets, ACodeMixesThePrimariesAsLightAdds) {
    const auto& bt709 = DefaultColorSpaceTargets()[kBt709];
    // A primary alone, at full level and below: its own chromaticity, its luminance by the law.
    const ColorReading red = ColorSpaceCodeTarget(bt709, 255, 0, 0, 2.2);
    EXPECT_NEAR(red.x, bt709[kSlotRed].x, 1e-9);
    EXPECT_NEAR(red.lv, bt709[kSlotRed].Y, 1e-9);
    EXPECT_NEAR(ColorSpaceCodeTarget(bt709, 0, 153, 0, 2.2).lv, bt709[kSlotGreen].Y * std::pow(0.6, 2.2), 1e-9);
    // The three full give the white of the table (D65 at 100), a grey its chromaticity.
    const ColorReading white = ColorSpaceCodeTarget(bt709, 255, 255, 255, 2.2);
    EXPECT_NEAR(white.x, 0.3127, 5e-4);
    EXPECT_NEAR(white.y, 0.3290, 5e-4);
    EXPECT_NEAR(white.lv, 100.0, 0.2);
    EXPECT_NEAR(ColorSpaceCodeTarget(bt709, 119, 119, 119, 2.2).u, white.u, 1e-9);
    // Red and green full: the yellow of the table.
    const ColorReading yellow = ColorSpaceCodeTarget(bt709, 255, 255, 0, 2.2);
    EXPECT_NEAR(yellow.u, bt709[kSlotYellow].u, 5e-4);
    EXPECT_NEAR(yellow.vp, bt709[kSlotYellow].vp, 5e-4);
    // Inside the cube the weaker channels count by the exponent: half the code, 0.22 of the light.
    const ColorReading mixed = ColorSpaceCodeTarget(bt709, 255, 128, 0, 2.2);
    const double share = std::pow(128 / 255.0, 2.2);
    EXPECT_NEAR(mixed.lv, bt709[kSlotRed].Y + share * bt709[kSlotGreen].Y, 1e-9);
    EXPECT_EQ(ColorSpaceCodeTarget(bt709, 0, 0, 0, 2.2).lv, 0.0);
}

TEST(ColorSpaceTargets, InteriorCodesLieOffTheGreyAxisAndOffTheFaces) {
    const std::vector<std::array<int, 3>> codes = InteriorCodes();
    EXPECT_GE(codes.size(), 20u);
    int offGrid = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        const auto& c = codes[i];
        for (const int v : c) {
            EXPECT_GT(v, 0) << i;
            EXPECT_LT(v, 255) << i;
        }
        EXPECT_FALSE(c[0] == c[1] && c[1] == c[2]) << i;
        offGrid += c[0] % 17 != 0 ? 1 : 0;
        for (size_t j = 0; j < i; ++j) {
            EXPECT_NE(codes[j], c) << i;
        }
    }
    EXPECT_GE(offGrid, 4) << "some between grid points, where the table is interpolated";
}

TEST(ColorSpaceTargets, LevelListsAndTheirIndexSteps) {
    EXPECT_EQ(LevelListEntries(2), (std::vector<std::string>{"255", "187"}));
    EXPECT_EQ(LevelListEntries(3), (std::vector<std::string>{"255", "204", "153"}));
    EXPECT_EQ(LevelListEntries(4), (std::vector<std::string>{"255", "221", "187", "153"}));
    for (const int count : {0, 1, 5, 8, 99}) {
        EXPECT_EQ(LevelListEntries(count).size(), 8u) << count;
        EXPECT_EQ(LevelListEntries(count).back(), "136");
        EXPECT_EQ(LevelIndexStep(count), 1) << count;
    }
    // The second entry of each short list is the level index the step points at.
    EXPECT_EQ(LevelIndexStep(2), 4);
    EXPECT_EQ(LevelIndexStep(3), 3);
    EXPECT_EQ(LevelIndexStep(4), 2);
}

TEST(WhitePointTargets, DefaultRowsAndTheJuddOffsetPreset) {
    const WhitePointTargets plain = DefaultWhitePointTargets(false, 100.0);
    const char* const labels[] = {"3200K", "5400K", "6500K", "7000K", "9300K", "10000K", "11000K"};
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(plain[i].label, labels[i]);
        EXPECT_TRUE(plain[i].chosen);
        EXPECT_DOUBLE_EQ(plain[i].target.lv, 100.0);
    }
    EXPECT_DOUBLE_EQ(plain[2].target.x, 0.3128) << "6500 K aims at D65";
    const std::array<std::string, 3> d65 = WhiteTargetTexts(plain[2]);
    EXPECT_EQ(d65[0], "0.1979(0.3128)");
    EXPECT_EQ(d65[1], "0.4683(0.3290)");
    EXPECT_EQ(d65[2], " 100.0");

    const WhitePointTargets alternate = DefaultWhitePointTargets(true, 100.0);
    EXPECT_EQ(alternate[kJuddOffsetRow].label, "JUDD-OFFSET");
    EXPECT_EQ(alternate[kJuddOffsetRow].temperature, 7000);
    EXPECT_DOUBLE_EQ(alternate[kJuddOffsetRow].target.x, 0.307);
    EXPECT_DOUBLE_EQ(alternate[kJuddOffsetRow].target.y, 0.318);

    const WhitePointTarget adjust = MakeWhitePointTarget(500, false, 100.0);
    EXPECT_EQ(adjust.label, "Adjust");
    EXPECT_EQ(WhiteTargetTexts(adjust)[0], "");
}

TEST(TargetFile, SaveThenLoadGivesTheSameRows) {
    std::vector<TargetRow> rows;
    for (const WhitePointTarget& t : DefaultWhitePointTargets(false, 100.0)) {
        const std::array<std::string, 3> texts = WhiteTargetTexts(t);
        rows.push_back(TargetRow{t.label, texts});
    }
    const std::string text = WriteTargetFile(rows);
    EXPECT_EQ(text.substr(0, 34), "-Calibaration Target Save Datas-\r\n");
    EXPECT_NE(text.find("\r\n3200K,0.2440(0.4234),0.5173(0.3990), 100.0, \r\n"), std::string::npos) << text;
    const TargetFileLoad load = ReadTargetFile(text);
    ASSERT_EQ(load.rows.size(), 7u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(load.rows[i].label, rows[i].label);
        EXPECT_EQ(load.rows[i].cells, rows[i].cells);
    }
    EXPECT_TRUE(load.warnings.empty());
}

TEST(TargetFile, ReaderSkipsHeadersAndKeepsSevenRowsOfFourFields) {
    const std::string text =
        "-any header\n\nSource D\u2086\u2085,0.1978(0.3127),0.4683(0.3290), 100.0, ,extra,more\n"
        "short\n1\n2\n3\n4\n5\n6\n7\n";
    const TargetFileLoad load = ReadTargetFile(text);
    ASSERT_EQ(load.rows.size(), 7u);
    EXPECT_EQ(load.rows[0].label, "Source D\u2086\u2085");
    EXPECT_EQ(load.rows[0].cells[2], " 100.0");
    EXPECT_EQ(load.rows[1].label, "short");
    EXPECT_EQ(load.rows[1].cells[0], "");
    EXPECT_EQ(load.warnings.size(), 2u);
}

struct CopyCase {
    const char* name;
    bool gamma;
    uint16_t entry0, entry1, entry255;
    const char* gammaText;
    const char* backlight;
    bool colorSpace;
    int levels, spaces;
    const char* error;
    int backlightValue, maximum;
};

TEST(CopyCheck, RefusalsAndProgressRanges) {
    const CopyCase cases[] = {
        {"first entry 1", true, 1, 10, 500, "2.2", "", false, 1, 0, "Invalid gamma table.", 0, 0},
        {"never written", true, 0, 0xCCCC, 500, "2.2", "", false, 1, 0, "Invalid gamma table.", 0, 0},
        {"last never written", true, 0, 10, 0xCCCC, "2.2", "", false, 1, 0, "Invalid gamma table.", 0, 0},
        {"gamma 0.4", false, 0, 0, 0, "0.4", "", false, 1, 0, "Invalid measured gamma.", 0, 0},
        {"gamma empty", false, 0, 0, 0, "", "", false, 1, 0, "Invalid measured gamma.", 0, 0},
        {"gamma 3.6", false, 0, 0, 0, "3.6", "", false, 1, 0, "Invalid measured gamma.", 0, 0},
        {"back light 101", false, 0, 0, 0, "2.2", "101", false, 1, 0, "Selected dimming error.", 0, 0},
        {"back light -1", false, 0, 0, 0, "2.2", "-1", false, 1, 0, "Selected dimming error.", 0, 0},
        {"back light text", false, 0, 0, 0, "2.2", "dim", false, 1, 0, "Selected dimming error.", 0, 0},
        {"nothing", false, 0, 0, 0, "2.2", "", false, 1, 0, "", 255, 15},
        {"back light 100", false, 0, 0, 0, "3.5", "100", false, 1, 0, "", 100, 15},
        {"back light 255", false, 0, 0, 0, "0.5", "255", false, 1, 0, "", 255, 15},
        {"gamma only", true, 0, 10, 500, "2.21", " ", false, 1, 0, "", 255, 78},
        {"two spaces, three levels", true, 0, 10, 500, "2.2", "80", true, 3, 2, "", 80, 262},
        {"five spaces, one level", false, 0, 0, 0, "2.2", "", true, 1, 5, "", 255, 8 + 374 + 6},
        {"colour space, none checked", false, 0, 0, 0, "2.2", "", true, 8, 0, "", 255, 8 - 1 + 6},
    };
    for (const CopyCase& c : cases) {
        GammaToLvTable table{};
        table[0] = c.entry0;
        table[1] = c.entry1;
        table[255] = c.entry255;
        CopyCheckInput in;
        in.gammaPresent = c.gamma;
        in.gammaTable = &table;
        in.gammaText = c.gammaText;
        in.backlightText = c.backlight;
        in.colorSpacePresent = c.colorSpace;
        in.levelCount = c.levels;
        in.colorSpaces = c.spaces;
        const CopyCheckResult r = CheckCopy(in);
        EXPECT_EQ(r.error, c.error) << c.name;
        if (r.error.empty()) {
            EXPECT_EQ(r.backlight, c.backlightValue) << c.name;
            EXPECT_EQ(r.progressMaximum(), c.maximum) << c.name;
        }
    }
}

}  // namespace
}  // namespace halvo

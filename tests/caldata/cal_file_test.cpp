// The .cal writer against golden files, round trips, and the reader on mutated copies of a
// valid file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "caldata/cal_file.h"
#include "caldata/field_text.h"
#include "common/file_io.h"
#include "common/text_format.h"
#include "sample_data.h"

namespace halvo {
namespace {

using test::SampleData;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

std::string Golden(const char* name) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(std::string(HALVO_CALDATA_GOLDEN_DIR) + "/" + name, text, nullptr)) << name;
    return text;
}

// The written file without its 3D-table entry lines (the only lines that end with a TAB), and
// those entry lines checked against the tables.
std::string WithoutLutEntries(const std::string& written, const CalibrationData& d) {
    std::string skeleton;
    std::vector<std::string> entries;
    for (const std::string& line : Lines(written)) {
        if (line.size() >= 2 && line[line.size() - 2] == '\t') {
            entries.push_back(line);
        } else {
            skeleton += line + "\n";
        }
    }
    EXPECT_EQ(entries.size(), static_cast<size_t>(kColorSpaceCount * kLut3DEntries));
    for (size_t i = 0; i < entries.size(); ++i) {
        const Lut3D& t = d.lut3d[i / kLut3DEntries];
        const size_t at = (i % kLut3DEntries) * 3;
        const std::string expected = Format("%3d\t%3d\t%3d\t\r", t[at], t[at + 1], t[at + 2]);
        if (entries[i] != expected) {
            ADD_FAILURE() << "3D table entry " << i << ": '" << entries[i] << "' instead of '" << expected << "'";
            break;
        }
    }
    return skeleton;
}

TEST(CalFileWriter, SingleLevelFormMatchesTheGoldenFile) {
    const CalibrationData d = SampleData(false);
    const std::string written = WriteCalFile(d);
    const std::vector<std::string> lines = Lines(written);
    ASSERT_EQ(lines.size(), 20809u);
    for (const std::string& line : lines) {
        ASSERT_TRUE(!line.empty() && line.back() == '\r') << "every line ends with CR LF";
    }
    EXPECT_EQ(WithoutLutEntries(written, d), Golden("single_level.cal"));
}

TEST(CalFileWriter, MultiLevelFormMatchesTheGoldenFile) {
    const CalibrationData d = SampleData(true);
    const std::string written = WriteCalFile(d);
    EXPECT_EQ(Lines(written).size(), 20502u + 272u + 56u * 2u);
    EXPECT_EQ(WithoutLutEntries(written, d), Golden("multi_level.cal"));
}

TEST(CalFileWriter, FormAndLineCountFollowLevelCountPriorityAndMask) {
    struct Case {
        int levelCount;
        uint8_t priority;
        uint8_t mask;
        const char* header;
        size_t lines;
    };
    const Case cases[] = {
        {0, 1, 0x1F, "_SPACE_", 20809},        {1, 0, 0x00, "_SPACE_", 20809},
        {2, 0, 0x00, "_SPACE2_", 20774},       {3, 1, 0x01, "_SPACE3_", 20774 + 56},
        {8, 0, 0x1F, "_SPACE2_", 20774 + 280}, {4, 0, 0x12, "_SPACE2_", 20774 + 112},
    };
    for (const Case& c : cases) {
        CalibrationData d = SampleData(false);
        d.levelCount = c.levelCount;
        d.priority = c.priority;
        d.colorSpaceMask = c.mask;
        const std::vector<std::string> lines = Lines(WriteCalFile(d));
        EXPECT_EQ(lines.size(), c.lines) << c.levelCount << " levels, mask " << int(c.mask);
        EXPECT_EQ(lines[272], std::string(c.header) + "\r");
    }
}

TEST(CalFileWriter, EightBitFileKeepsThreeUniformitySettings) {
    CalibrationData d = SampleData(false);
    d.bitDepth = 0;
    const std::vector<std::string> lines = Lines(WriteCalFile(d));
    EXPECT_EQ(lines[4], "P,0\r");
    EXPECT_EQ(lines[12], "V,130,141,152\r");
}

// The record as it comes back from a file: what the reader sets outside the record put back.
CalibrationData ReadBack(const std::string& text) {
    const CalFileLoad load = ReadCalFile(text, "unused");
    EXPECT_TRUE(load.formatOk);
    EXPECT_TRUE(load.warnings.empty()) << load.warnings.front();
    CalibrationData d = load.data;
    d.version = d.fileVersion;
    d.gammaText = load.gammaText.value_or("?");
    d.temperatureText = load.temperatureText.value_or("?");
    d.backlightText = load.backlightText.value_or("?");
    d.priority = load.priorityChecked ? 1 : 0;
    return d;
}

TEST(CalFileRoundTrip, EverythingComesBackIncludingThe3DTables) {
    for (const bool multi : {false, true}) {
        SCOPED_TRACE(multi ? "multi-level" : "single-level");
        const CalibrationData original = SampleData(multi);
        const std::string text = WriteCalFile(original);
        const CalibrationData back = ReadBack(text);
        EXPECT_EQ(back.calibrationId, original.calibrationId);
        EXPECT_EQ(back.bitDepth, 1);
        EXPECT_EQ(back.uniformityTexts, original.uniformityTexts);
        EXPECT_EQ(back.uniformity, original.uniformity);
        EXPECT_DOUBLE_EQ(back.targetGamma, 2.35);
        EXPECT_EQ(back.panelGammaCode, original.panelGammaCode);
        EXPECT_EQ(back.gammaTable, original.gammaTable);
        EXPECT_EQ(back.targetGains, original.targetGains);
        EXPECT_EQ(back.gainTexts, original.gainTexts);
        EXPECT_EQ(back.lut3d, original.lut3d);
        EXPECT_EQ(back.colorSpaceMask, original.colorSpaceMask);
        EXPECT_TRUE(back.gammaPresent);
        EXPECT_TRUE(back.uniformityPresent);
        EXPECT_TRUE(back.colorSpacePresent);
        const ColorSpaceEntry& e = back.entry(kEbu, kSlotCyan, multi ? 5 : 0);
        const ColorSpaceEntry& o = original.entry(kEbu, kSlotCyan, multi ? 5 : 0);
        EXPECT_NEAR(e.reading.x, o.reading.x, 5e-5);
        EXPECT_NEAR(e.reading.lv, o.reading.lv, 0.05);
        EXPECT_EQ(e.g, o.g);
        EXPECT_EQ(back.levelCount, multi ? 8 : 0);
        // Written again, the file is the same byte for byte.
        EXPECT_EQ(WriteCalFile(back), text);
    }
}

TEST(CalFileRoundTrip, AnEightBitFileLosesOnlyTheThirdUniformitySetting) {
    CalibrationData d = SampleData(false);
    d.bitDepth = 0;
    const CalFileLoad load = ReadCalFile(WriteCalFile(d), "x");
    EXPECT_EQ(load.data.uniformity, (UniformitySettings{130, 141, 0, 0, 0, 0, 0, 0, 0, 0}));
    // C lines with the bit depth at 0: the box is refused, the data stays stored.
    EXPECT_TRUE(load.colorSpaceRequested);
    EXPECT_TRUE(load.colorSpaceRefused);
    EXPECT_FALSE(load.data.colorSpacePresent);
    EXPECT_EQ(load.data.entry(kNtsc, kSlotBlue, 0).b, d.entry(kNtsc, kSlotBlue, 0).b);
}

// ---- Reader edge cases: one valid file, mutated ----

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(CalFileReader, FormatCheckAndLineEnds) {
    const std::string valid = WriteCalFile(SampleData(false));
    EXPECT_FALSE(ReadCalFile("", "id").formatOk);
    const CalFileLoad wrong = ReadCalFile("Calibaration Data\r\n" + valid.substr(valid.find('\n') + 1), "id");
    EXPECT_FALSE(wrong.formatOk);
    EXPECT_EQ(wrong.data.gammaTable[255], 0) << "nothing after a failed check is read";

    std::string lf;
    for (const char c : valid) {
        if (c != '\r') {
            lf += c;
        }
    }
    const CalFileLoad load = ReadCalFile(lf, "id");
    ASSERT_TRUE(load.formatOk);
    EXPECT_EQ(load.gammaText, "2.21");
    EXPECT_EQ(load.data.calibrationId, "VRL000042");
    EXPECT_EQ(load.data.lut3d, SampleData(false).lut3d);
}

TEST(CalFileReader, SingleLevelFormFillsLevelZeroOfAllFiveSpaces) {
    const CalFileLoad load = ReadCalFile(WriteCalFile(SampleData(false)), "id");
    EXPECT_EQ(load.data.colorSpaceMask, 0x1F);
    EXPECT_EQ(load.data.levelCount, 0);
    EXPECT_TRUE(load.colorSpaceRequested);
    EXPECT_FALSE(load.levelChecked);
    EXPECT_EQ(load.data.entry(kDCinema, kSlotMagenta, 0).r, 251);
    EXPECT_EQ(load.data.entry(kBt709, kSlotWhite, 1).r, 0) << "other levels stay as reset";
}

TEST(CalFileReader, LevelCountCountsOnlyValidWhiteLevels) {
    CalibrationData d = SampleData(true);
    for (const int space : {kBt709, kEbu}) {
        d.entry(space, kSlotWhite, 3).reading.x = 0.0;
        d.entry(space, kSlotWhite, 3).reading.y = 0.0;
        d.entry(space, kSlotWhite, 7).reading.y = 0.95;
    }
    const CalFileLoad load = ReadCalFile(WriteCalFile(d), "id");
    EXPECT_EQ(load.data.levelCount, 6);
    EXPECT_TRUE(load.levelChecked);
    EXPECT_TRUE(load.priorityChecked) << "_SPACE3_";
    EXPECT_EQ(load.data.colorSpaceMask, 0x05);

    d.priority = 0;
    d.bitDepth = 0;
    const CalFileLoad plain = ReadCalFile(WriteCalFile(d), "id");
    EXPECT_FALSE(plain.priorityChecked);
    EXPECT_EQ(plain.data.bitDepth, 1) << "S lines are 10-bit data";
    EXPECT_FALSE(plain.colorSpaceRefused);
}

TEST(CalFileReader, LevelCountComesFromWhicheverSpacesTheFileHolds) {
    // SMPTE-C alone at three levels (0, 3 and 6), as a run without BT.709 saves it.
    CalibrationData d = SampleData(true);
    d.colorSpaceMask = 1u << kSmpteC;
    for (int level = 0; level < kLevelCount; ++level) {
        if (level != 0 && level != 3 && level != 6) {
            d.entry(kSmpteC, kSlotWhite, level).reading = ColorReading{};
        }
    }
    const CalFileLoad load = ReadCalFile(WriteCalFile(d), "id");
    EXPECT_EQ(load.data.colorSpaceMask, 1u << kSmpteC);
    EXPECT_EQ(load.data.levelCount, 3);
    EXPECT_TRUE(load.levelChecked);

    // Two spaces that both hold the same levels count them once.
    d.colorSpaceMask = 1u << kSmpteC | 1u << kNtsc;
    for (int level = 0; level < kLevelCount; ++level) {
        d.entry(kNtsc, kSlotWhite, level).reading = d.entry(kSmpteC, kSlotWhite, level).reading;
    }
    EXPECT_EQ(ReadCalFile(WriteCalFile(d), "id").data.levelCount, 3);
}

TEST(CalFileReader, TargetGammaChoosesTheRadio) {
    const std::string valid = WriteCalFile(SampleData(false));
    EXPECT_DOUBLE_EQ(ReadCalFile(valid, "id").data.targetGamma, 2.35);
    const CalFileLoad g22 = ReadCalFile(Replace(valid, "T,2.35", "T,2.20"), "id");
    EXPECT_DOUBLE_EQ(g22.data.targetGamma, 2.2);
    EXPECT_TRUE(g22.data.gammaPresent);
    const CalFileLoad none = ReadCalFile(Replace(valid, "T,2.35\r\n", ""), "id");
    EXPECT_FALSE(none.targetGammaRead);
    EXPECT_FALSE(none.data.gammaPresent);

    // A set whose gamma was never calibrated still writes its target gamma; it holds no gamma
    // table, and a copy must not send one.
    CalibrationData uncalibrated = SampleData(false);
    uncalibrated.gammaTable.fill(0);
    const CalFileLoad without = ReadCalFile(WriteCalFile(uncalibrated), "id");
    EXPECT_TRUE(without.targetGammaRead);
    EXPECT_FALSE(without.data.gammaPresent);
}

TEST(CalFileReader, OutOfRangeAndMalformedLinesAreIgnoredWithAWarning) {
    const std::string valid = WriteCalFile(SampleData(true));
    struct Case {
        const char* name;
        std::string from, to;
        int warnings;
    };
    const Case cases[] = {
        {"gamma index 256", "M,255,", "M,256,", 1},
        {"gamma index -1", "M,0,0", "M,-1,7", 1},
        {"white-balance row 7", "G,6,", "G,7,", 1},
        {"colour space 5", "S,2,6,7,", "S,5,6,7,", 1},
        {"slot 7", "S,2,6,7,", "S,2,7,7,", 1},
        {"level 8", "S,2,6,7,", "S,2,6,8,", 1},
        {"bit depth 2", "P,1", "P,2", 1},
        {"21 fields", "G,0,", "G,0,a,b,c,d,e,f,g,h,i,j,k,l,", 1},
    };
    for (const Case& c : cases) {
        const CalFileLoad load = ReadCalFile(Replace(valid, c.from, c.to), "id");
        EXPECT_EQ(load.ignoredLines, c.warnings) << c.name;
        ASSERT_FALSE(load.warnings.empty()) << c.name;
        EXPECT_EQ(load.warnings[0].rfind("Line ", 0), 0u) << load.warnings[0];
    }
    const CalFileLoad row7 = ReadCalFile(Replace(valid, "G,6,", "G,7,"), "id");
    EXPECT_EQ(row7.gainColumnsSet[6], 0) << "row 6 never set";
    const CalFileLoad fields = ReadCalFile(Replace(valid, "G,0,", "G,0,a,b,c,d,e,f,g,h,i,j,k,l,"), "id");
    EXPECT_EQ(fields.data.gainTexts[0][0], "a");
}

TEST(CalFileReader, UnparsableNumbersLeaveTheResetValue) {
    const std::string valid = WriteCalFile(SampleData(false));
    std::string text = Replace(valid, "M,10,33", "M,10,abc");
    text = Replace(text, "O,9,9,9,9,9,9", "O,x,9,9,9,9,9");
    text = Replace(text, "V,130,141,", "V,,141,");
    const CalFileLoad load = ReadCalFile(text, "id");
    EXPECT_EQ(load.data.gammaTable[10], 0);
    EXPECT_EQ(load.data.gammaTable[11], 40);
    EXPECT_EQ(load.data.panelGammaCode[0], 255);
    EXPECT_EQ(load.data.uniformity[0], 0);
    EXPECT_EQ(load.data.uniformity[1], 141);
    EXPECT_EQ(load.ignoredLines, 0);
}

TEST(CalFileReader, UniformityRowAndSettingsRules) {
    const std::string valid = WriteCalFile(SampleData(false));
    const size_t u = valid.find("U,");
    const std::string blankRow = valid.substr(0, u) + "U, , , , , , , , , \r\n" + valid.substr(valid.find("V,"));
    const CalFileLoad blank = ReadCalFile(blankRow, "id");
    EXPECT_FALSE(blank.data.uniformityPresent);
    EXPECT_EQ(blank.data.uniformityTexts[8], " ");

    // An old file (version 7.30 and below) with the short line keeps two settings.
    const std::string old = Replace(valid, "V,130,141,152,163,174,185,196,207,218,229", "V,5,6,7");
    const CalFileLoad shortLine = ReadCalFile(Replace(old, "X,9.90", "X,7.30"), "id");
    EXPECT_EQ(shortLine.data.uniformity, (UniformitySettings{5, 6, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Ten values are read only from a 10-bit file above version 7.3; any other file gives back
    // bytes 0 and 1 however many values its line holds.
    const CalFileLoad ten = ReadCalFile(Replace(valid, "X,9.90", "X,7.31"), "id");
    EXPECT_EQ(ten.data.uniformity, SampleData(false).uniformity);
    for (const char* version : {"X,7.30", "X,1.00", "X,0.00"}) {
        const CalFileLoad two = ReadCalFile(Replace(valid, "X,9.90", version), "id");
        EXPECT_EQ(two.data.uniformity, (UniformitySettings{130, 141, 0, 0, 0, 0, 0, 0, 0, 0})) << version;
    }
    const CalFileLoad eightBit = ReadCalFile(Replace(valid, "P,1", "P,0"), "id");
    EXPECT_EQ(eightBit.data.uniformity, (UniformitySettings{130, 141, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CalFileReader, LutBlocksStayInsideTheirTables) {
    const std::string valid = WriteCalFile(SampleData(false));
    // An extra entry after the last BT.709 one, and the NTSC table cut short.
    const size_t smpte = valid.find("=\r\n_SMPTE_C_");
    std::string text = valid.substr(0, smpte - 40) + "  1\t  2\t  3\t\r\n" + valid.substr(smpte - 40);
    const size_t ntsc = text.find("_NTSC_\r\n") + 8;
    text = text.substr(0, ntsc) + "  9\t  9\t  9\t\r\n" + text.substr(text.find("=\r\n_D_CINEMA_") - 40);
    const CalFileLoad load = ReadCalFile(text, "id");
    EXPECT_EQ(load.ignoredLines, 1);
    const CalibrationData sample = SampleData(false);
    EXPECT_EQ(load.data.lut3d[kBt709], sample.lut3d[kBt709]);
    EXPECT_EQ(load.data.lut3d[kNtsc][0], 9);
    EXPECT_EQ(load.data.lut3d[kNtsc][3], 0) << "entries the file did not hold stay zero";
    EXPECT_EQ(load.data.lut3d[kDCinema], sample.lut3d[kDCinema]);
}

TEST(CalFileReader, OverlongLinesAreCut) {
    const std::string valid = WriteCalFile(SampleData(false));
    const CalFileLoad load = ReadCalFile(Replace(valid, "I,VRL000042", "I," + std::string(600, 'Z')), "id");
    EXPECT_EQ(load.data.calibrationId.size(), kMaxLineBytes - 2);
}

TEST(CalFilePath, TxtInTheFileNameMeansALog) {
    EXPECT_TRUE(IsLogPath("run.txt"));
    EXPECT_TRUE(IsLogPath("/home/op/logs/VRL01Log.txt"));
    EXPECT_FALSE(IsLogPath("data.cal"));
    EXPECT_FALSE(IsLogPath("/tmp/old.txt.d/data.cal")) << "directories do not count";
    EXPECT_FALSE(IsLogPath(".txt"));
}

}  // namespace
}  // namespace halvo

// The .cal reader: the reset, the format check, then every line by its tag. The 3D tables are
// read back too, so that a set saved after a load keeps the tables the file held.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "caldata/cal_file.h"
#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {
namespace {

constexpr size_t kMaxFields = 20;

class CalFileReader {
public:
    explicit CalFileReader(CalFileLoad& load) : load_(load), d_(load.data) {}

    void line(std::string_view text, int number) {
        number_ = number;
        if (number == 1) {
            if (text.empty() || text[0] != '-') {
                load_.formatOk = false;
            }
            return;
        }
        if (lutTable_ >= 0 && lutLine(text)) {
            return;
        }
        lutTable_ = -1;
        if (text == "_SPACE3_" || text == "_SPACE2_") {
            priorityHeader_ = text == "_SPACE3_";
            return;
        }
        for (size_t i = 0; i < kLut3DNames.size(); ++i) {
            if (text == kLut3DNames[i]) {
                lutTable_ = static_cast<int>(i);
                lutEntry_ = 0;
                return;
            }
        }
        if (text.empty()) {
            return;
        }
        bool dropped = false;
        fields_ = SplitFields(text, kMaxFields, &dropped);
        if (dropped) {
            warn("more than 20 fields; the rest is not read");
        }
        tagged(text[0]);
    }

    void finish() {
        // Every file carries a target gamma line, whether or not gamma was calibrated; a table
        // without a single entry is no gamma data, and copying it would blank the monitor's
        // picture.
        if (d_.gammaPresent && std::all_of(d_.gammaTable.begin(), d_.gammaTable.end(), [](uint16_t e) { return e == 0; })) {
            d_.gammaPresent = false;
        }
        if (warnings_.total() > 0) {
            load_.warnings = warnings_.lines();
            load_.ignoredLines = warnings_.total();
        }
    }

private:
    std::string_view field(size_t i) const { return i < fields_.size() ? fields_[i] : std::string_view(); }
    std::string text(size_t i) const { return std::string(field(i)); }
    std::optional<long> integer(size_t i) const { return ParseInteger(field(i)); }

    void warn(const std::string& why) { warnings_.add(Format("Line %d: %s", number_, why.c_str())); }

    void setByte(uint8_t& to, size_t i) const {
        if (const auto v = integer(i)) {
            to = LowByte(*v);
        }
    }
    void setInt(int32_t& to, size_t i) const {
        if (const auto v = integer(i)) {
            to = static_cast<int32_t>(*v);
        }
    }
    void setReal(double& to, size_t i) const {
        if (const auto v = ParseReal(field(i))) {
            to = *v;
        }
    }

    void tagged(char tag) {
        switch (tag) {
            case 'X':
                if (const auto v = ParseReal(field(1))) {
                    if (*v >= 0.0 && *v <= 1000.0) {
                        d_.fileVersion = static_cast<float>(*v);
                    } else {
                        warn("version outside 0..1000; ignored");
                    }
                }
                break;
            case 'P':
                if (const auto v = integer(1)) {
                    if (*v == 0 || *v == 1) {
                        d_.bitDepth = static_cast<uint8_t>(*v);
                    } else {
                        warn("bit depth flag is neither 0 nor 1; ignored");
                    }
                }
                break;
            case 'I': d_.calibrationId = text(1); break;
            case 'A': load_.gammaText = text(1); break;
            case 'B': load_.temperatureText = text(1); break;
            case 'D': load_.backlightText = text(1); break;
            case 'U': uniformityTexts(); break;
            case 'V': uniformitySettings(); break;
            case 'T':
                if (const auto v = ParseReal(field(1))) {
                    d_.targetGamma = *v;
                    load_.targetGammaRead = true;
                }
                d_.gammaPresent = true;
                break;
            case 'O':
                if (const auto v = integer(1)) {
                    if (fields_.size() > 2) {
                        d_.panelGammaCode.fill(LowByte(*v));
                    } else {
                        d_.panelGammaCode[0] = LowByte(*v);
                    }
                }
                break;
            case 'M': gammaEntry(); break;
            case 'G': gainRow(); break;
            case 'C': colorSpaceLine(false); break;
            case 'S': colorSpaceLine(true); break;
            default: break;  // sections, separators, the end marker
        }
    }

    void uniformityTexts() {
        for (size_t i = 0; i < d_.uniformityTexts.size(); ++i) {
            d_.uniformityTexts[i] = text(i + 1);
        }
        const std::string_view first = field(1);
        if (!first.empty() && first[0] != ' ') {
            d_.uniformityPresent = true;
        }
    }

    void uniformitySettings() {
        // Files up to version 7.3 kept two settings bytes, and so do 8-bit files; only a 10-bit
        // file of a later version keeps all ten. The version is compared in hundredths, as the
        // file prints it, so that "X,7.30" read as a float is not taken for a later one.
        const bool versionTen = std::lround(static_cast<double>(d_.fileVersion) * 100.0) > 730;
        if (d_.bitDepth == 1 && versionTen) {
            for (size_t i = 0; i < d_.uniformity.size(); ++i) {
                setByte(d_.uniformity[i], i + 1);
            }
        } else {
            setByte(d_.uniformity[0], 1);
            setByte(d_.uniformity[1], 2);
        }
    }

    void gammaEntry() {
        const auto index = integer(1);
        if (!index) {
            return;
        }
        if (*index < 0 || *index >= kGammaTableSize) {
            warn(Format("gamma table index %ld is outside 0..255; ignored", *index));
            return;
        }
        if (const auto v = integer(2)) {
            d_.gammaTable[static_cast<size_t>(*index)] = LowWord(*v);
        }
    }

    void gainRow() {
        const auto row = integer(1);
        if (!row) {
            return;
        }
        if (*row < 0 || *row >= kWhiteRowCount) {
            warn(Format("white-balance row %ld is outside 0..6; ignored", *row));
            return;
        }
        const size_t r = static_cast<size_t>(*row);
        for (size_t c = 0; c < kGainColumnCount; ++c) {
            d_.gainTexts[r][c] = text(c + 2);
        }
        load_.gainColumnsSet[r] = (1u << kGainColumnCount) - 1u;
        for (size_t ch = 0; ch < 3; ++ch) {
            setByte(d_.targetGains[r][ch], 8 + ch);
        }
    }

    void colorSpaceLine(bool multi) {
        const auto id = integer(1);
        const auto slot = integer(2);
        const std::optional<long> level = multi ? integer(3) : std::optional<long>(0);
        if (!id || !slot || !level) {
            warn("colour-space line without its indexes; ignored");
            return;
        }
        if (*id < 0 || *id >= kColorSpaceCount || *slot < 0 || *slot >= kColorSlotCount || *level < 0 ||
            *level >= kLevelCount) {
            warn(Format("colour-space entry (%ld, %ld, %ld) is outside the table; ignored", *id, *slot, *level));
            return;
        }
        const int space = static_cast<int>(*id);
        const int s = static_cast<int>(*slot);
        const int l = static_cast<int>(*level);
        ColorSpaceEntry& e = d_.entry(space, s, l);
        const size_t first = multi ? 4 : 3;
        setReal(e.reading.x, first);
        setReal(e.reading.y, first + 1);
        setReal(e.reading.lv, first + 2);
        setReal(e.reading.duv, first + 3);
        setInt(e.r, first + 4);
        setInt(e.g, first + 5);
        setInt(e.b, first + 6);
        d_.colorSpaceMask = static_cast<uint8_t>(d_.colorSpaceMask | (1u << space));
        load_.colorSpaceLinesRead = true;

        if (!multi) {
            if (space == kDCinema && s == kSlotMagenta) {
                requestColorSpace();
            }
            return;
        }
        if (s == kSlotWhite) {
            // Levels a calibration never reached keep a zero reading; only real ones count, and
            // a level given twice counts once. Every space of a run has the same levels, and a
            // run need not include BT.709: the count is that of the space holding the most.
            const double x = e.reading.x;
            const double y = e.reading.y;
            unsigned& counted = countedLevels_[static_cast<size_t>(space)];
            if (x > 0.05 && x < 0.9 && y > 0.05 && y < 0.9 && (counted & (1u << l)) == 0) {
                counted |= 1u << l;
                d_.levelCount = std::max(d_.levelCount, std::popcount(counted));
            }
        } else if (s == kSlotMagenta && l == 6) {
            requestColorSpace();
            load_.levelChecked = true;
            if (priorityHeader_) {
                load_.priorityChecked = true;
            }
        }
        d_.bitDepth = 1;
    }

    void requestColorSpace() {
        load_.colorSpaceRequested = true;
        load_.colorSpaceRefused = d_.bitDepth == 0;
        d_.colorSpacePresent = !load_.colorSpaceRefused;
    }

    // An entry line of a 3D table; false for any other line, which ends the table.
    bool lutLine(std::string_view text) {
        const size_t start = text.find_first_not_of(" \t");
        if (start == std::string_view::npos || !(text[start] == '-' || (text[start] >= '0' && text[start] <= '9'))) {
            return false;
        }
        if (lutEntry_ >= kLut3DEntries) {
            warn(Format("more than %d entries in table %s; ignored", kLut3DEntries,
                        kLut3DNames[static_cast<size_t>(lutTable_)]));
            return true;
        }
        Lut3D& table = d_.lut3d[static_cast<size_t>(lutTable_)];
        size_t pos = 0;
        int values = 0;
        for (int ch = 0; ch < 3; ++ch) {
            const size_t from = text.find_first_not_of(" \t", pos);
            if (from == std::string_view::npos) {
                break;
            }
            const size_t to = text.find_first_of(" \t", from);
            const std::string_view number = text.substr(from, to == std::string_view::npos ? text.npos : to - from);
            if (const auto v = ParseInteger(number)) {
                table[static_cast<size_t>(lutEntry_) * 3 + static_cast<size_t>(ch)] = LowByte(*v);
                ++values;
            }
            pos = to == std::string_view::npos ? text.size() : to;
        }
        if (values != 3) {
            warn(Format("3D table entry %d does not hold three numbers", lutEntry_));
        }
        ++lutEntry_;
        return true;
    }

    CalFileLoad& load_;
    CalibrationData& d_;
    std::vector<std::string_view> fields_;
    Warnings warnings_;
    int number_ = 0;
    bool priorityHeader_ = false;
    int lutTable_ = -1;
    std::array<unsigned, kColorSpaceCount> countedLevels_{};
    int lutEntry_ = 0;
};

}  // namespace

CalFileLoad ReadCalFile(std::string_view text, const std::string& defaultId) {
    CalFileLoad load;
    load.data.resetForLoad();
    load.data.calibrationId = defaultId;
    CalFileReader reader(load);
    const int lines = ForEachLine(text, [&](std::string_view line, int number) {
        if (load.formatOk) {
            reader.line(line, number);
        }
    });
    if (lines == 0) {
        load.formatOk = false;
    }
    reader.finish();
    return load;
}

bool IsLogPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find(".txt", 1) != std::string::npos;
}

}  // namespace halvo

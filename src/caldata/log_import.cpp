// LogImport. Each line is first tested for the markers below, in this order; the first that
// occurs in the line (anywhere but at its very first character) decides the line's own action.
// Then every line goes through the uniformity-pattern, RGB-value, colour-space capture and
// white-balance rules.

#include "caldata/log_import.h"

#include <array>

#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {
namespace {

enum Marker : int {
    kCalibrationId,
    kStartGamma,
    kStartColorTemperature,
    kStartColorSpace,
    kSendUniformity,
    kDrawTargetMarker,
    kSetMonitorGamma,
    kWriteDefaultPanelGamma,
    kGammaToLv,
    kSetNativeColorSpace,
    kChangeCsLevel,
    kDrawPattern,
    kSendColorSpaceData,
    kMarkerCount,
};

constexpr std::array<std::string_view, kMarkerCount> kMarkers = {
    "Calibration ID=",
    "Start Gamma Calibration",
    "Start Color temperature Calibration",
    "Start Colorspace Calibration",
    "Send Uniformity",
    "Draw target marker",
    "Set monitor gamma(",
    "Write default panel gamma",
    "Gamma to Lv ",
    "Set Native ColorSpace(",
    "Change CS Level",
    "Draw pattern(",
    "Send Colorspace Data to monitor.",
};

constexpr std::string_view kRgbGain = "RGB gain(";
constexpr std::string_view kRgbOffset = "RGB Offset(";

// Uniformity positions in the order a uniformity run visits them, as columns of the row
// ("T-L" 0 .. "B-R" 8): Center, M-L, T-L, T-M, T-R, M-R, B-R, B-M, B-L.
constexpr std::array<size_t, kUniformityCellCount> kPositionColumns = {4, 3, 0, 1, 2, 5, 8, 7, 6};

// Drive levels of the colour-space level list, by level index.
constexpr std::array<long, kLevelCount> kLevelDrives = {255, 238, 221, 204, 187, 170, 153, 136};

using Rgb = std::array<long, 3>;

bool Contains(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

// Word n (from 1) of a line split at blanks.
std::string_view Word(std::string_view line, int n) {
    size_t pos = 0;
    for (int i = 1;; ++i) {
        const size_t from = line.find_first_not_of(' ', pos);
        if (from == std::string_view::npos) {
            return {};
        }
        const size_t to = line.find(' ', from);
        if (i == n) {
            return line.substr(from, to == std::string_view::npos ? line.npos : to - from);
        }
        if (to == std::string_view::npos) {
            return {};
        }
        pos = to;
    }
}

class LogImporter {
public:
    explicit LogImporter(CalFileLoad& load) : load_(load), d_(load.data) {}

    void line(std::string_view text, int number) {
        number_ = number;
        markerLine_ = false;
        const auto [marker, at] = findMarker(text);
        if (marker != kMarkerCount) {
            action(marker, text, at);
        }
        uniformityPattern(text);
        rgbValues(text);
        if (capture_ >= 1) {
            capture(text);
        } else {
            whiteBalance(text);
        }
        previousHadGain_ = Contains(text, kRgbGain);
    }

    void finish() {
        if (warnings_.total() > 0) {
            load_.warnings = warnings_.lines();
            load_.ignoredLines = warnings_.total();
        }
    }

private:
    void warn(const std::string& why) { warnings_.add(Format("Line %d: %s", number_, why.c_str())); }

    static std::pair<int, size_t> findMarker(std::string_view text) {
        for (int m = 0; m < kMarkerCount; ++m) {
            const size_t at = text.find(kMarkers[static_cast<size_t>(m)]);
            if (at != std::string_view::npos && at > 0) {
                return {m, at};
            }
        }
        return {kMarkerCount, 0};
    }

    void action(int marker, std::string_view text, size_t at) {
        const std::string_view from = text.substr(at);
        switch (marker) {
            case kCalibrationId: break;
            case kStartGamma: d_.gammaPresent = false; break;
            case kStartColorTemperature:
                capture_ = -1;
                gainRow_ = 0;
                break;
            case kStartColorSpace:
                d_.bitDepth = 1;
                load_.colorSpaceRequested = true;
                load_.colorSpaceRefused = false;
                d_.colorSpacePresent = true;
                break;
            case kSendUniformity: sendUniformity(text, at); break;
            case kDrawTargetMarker:
                patternStage_ = 1;
                markerLine_ = true;
                break;
            case kSetMonitorGamma:
                d_.targetGamma = Between(from, '(', ')') == "14" ? 2.2 : 2.35;
                load_.targetGammaRead = true;
                break;
            case kWriteDefaultPanelGamma: defaultPanelGamma(from); break;
            case kGammaToLv: gammaToLv(from); break;
            case kSetNativeColorSpace: nativeColorSpace(from); break;
            case kChangeCsLevel: changeLevel(text); break;
            case kDrawPattern: drawPattern(from); break;
            case kSendColorSpaceData: capture_ = 0; break;
            default: break;
        }
    }

    // "Send Uniformity =  %d, (%d,...)": the settings start 17 characters after the marker.
    // The copy the station logs next ("Send Uniformity1 =  ...") starts one character later;
    // numbers are read past a leading "=" or "(" so that it gives the same values instead of
    // a zero first setting.
    void sendUniformity(std::string_view text, size_t at) {
        d_.uniformityPresent = true;
        if (at + 17 > text.size()) {
            return;
        }
        const std::vector<std::string_view> pieces = SplitFields(text.substr(at + 17), kUniformitySettingCount);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (const auto v = ParseInteger(pieces[i], "=(")) {
                d_.uniformity[i] = LowByte(*v);
            }
        }
    }

    void defaultPanelGamma(std::string_view from) {
        const std::vector<std::string_view> pieces = SplitFields(Between(from, '(', ')'), 3);
        std::string gamma(pieces[0]);
        const size_t first = gamma.find_first_not_of(' ');
        gamma = first == std::string::npos ? std::string() : gamma.substr(first);
        if (!gamma.empty()) {
            gamma.insert(1, ".");
        }
        load_.gammaText = gamma;
        if (pieces.size() < 2) {
            d_.panelGammaCode.fill(8);
        } else if (const auto code = ParseInteger(pieces[1])) {
            d_.panelGammaCode.fill(LowByte(*code));
        }
    }

    void gammaToLv(std::string_view from) {
        d_.gammaPresent = true;
        const size_t open = from.find('(');
        if (open == std::string_view::npos) {
            return;
        }
        std::string_view values = from.substr(open + 1);
        values = values.substr(0, values.find('.'));
        if (gammaNext_ + 4 > kGammaTableSize) {
            warn("more than 256 gamma table values; ignored");
            return;
        }
        const std::vector<std::string_view> pieces = SplitFields(values, 4);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (const auto v = ParseInteger(pieces[i])) {
                d_.gammaTable[static_cast<size_t>(gammaNext_) + i] = LowWord(*v);
            }
        }
        gammaNext_ += 4;
    }

    void nativeColorSpace(std::string_view from) {
        const auto n = ParseInteger(Between(from, '(', ')'));
        if (!n) {
            return;
        }
        if (*n < 0 || *n > kColorSpaceCount) {
            warn(Format("colour-space slot %ld is outside 0..5; not captured", *n));
            capture_ = 0;
            return;
        }
        capture_ = static_cast<int>(*n);
        if (capture_ >= 1) {
            d_.colorSpaceMask = static_cast<uint8_t>(d_.colorSpaceMask | (1u << (capture_ - 1)));
            load_.colorSpaceLinesRead = true;
        }
        slot_ = kSlotWhite;
        level_ = 0;
        storedLevel_ = 0;
    }

    void changeLevel(std::string_view text) {
        const auto drive = ParseInteger(Word(text, 5));
        int found = -1;
        for (size_t i = 0; drive && i < kLevelDrives.size(); ++i) {
            if (*drive == kLevelDrives[i]) {
                found = static_cast<int>(i);
            }
        }
        if (found == 0) {
            level_ = 0;
            d_.levelCount = 1;
        } else if (found > 0) {
            level_ = found;
            load_.levelChecked = true;
            d_.levelCount = found + 1;
        } else if (d_.levelCount == 0) {
            d_.levelCount = 1;
        }
    }

    void drawPattern(std::string_view from) {
        offsetCount_ = 0;
        const std::vector<std::string_view> pieces = SplitFields(Between(from, '(', ')'), 3);
        Rgb rgb = {-1, -1, -1};
        for (size_t i = 0; i < pieces.size(); ++i) {
            rgb[i] = ParseInteger(pieces[i]).value_or(-1);
        }
        static constexpr std::array<Rgb, kColorSlotCount> kSlotColours = {{
            {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255},
        }};
        for (size_t s = 0; s < kSlotColours.size(); ++s) {
            if (rgb == kSlotColours[s]) {
                slot_ = static_cast<int>(s);
            }
        }
    }

    // After "Draw target marker": "Set CSC&Gamma(1)", then "Set monitor gamma(", then the
    // reading whose luminance is the next position's text.
    void uniformityPattern(std::string_view text) {
        if (markerLine_ || patternStage_ == 0) {
            return;
        }
        if (patternStage_ == 1) {
            patternStage_ = Contains(text, "Set CSC&Gamma(1)") ? 2 : 0;
        } else if (patternStage_ == 2) {
            patternStage_ = Contains(text, "Set monitor gamma(") ? 3 : 0;
        } else {
            patternStage_ = 0;
            const size_t lv = text.find("Lv:");
            if (lv == std::string_view::npos) {
                return;
            }
            if (positions_ >= kUniformityCellCount) {
                warn("more than nine uniformity positions; ignored");
                return;
            }
            d_.uniformityTexts[kPositionColumns[static_cast<size_t>(positions_++)]] = std::string(text.substr(lv + 3, 6));
        }
    }

    void rgbValues(std::string_view text) {
        const size_t gain = text.find(kRgbGain);
        const size_t offset = text.find(kRgbOffset);
        if (gain == std::string_view::npos && offset == std::string_view::npos) {
            return;
        }
        const size_t at = gain != std::string_view::npos ? gain : offset;
        previous_ = current_;
        const std::vector<std::string_view> pieces = SplitFields(Between(text.substr(at), '(', ')'), 3);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (const auto v = ParseInteger(pieces[i])) {
                current_[i] = *v;
            }
        }
        if (offset != std::string_view::npos) {
            ++offsetCount_;
        }
    }

    void store(int slot, int level, const Rgb& rgb) {
        ColorSpaceEntry& e = d_.entry(capture_ - 1, slot, level);
        e.r = static_cast<int32_t>(rgb[0]);
        e.g = static_cast<int32_t>(rgb[1]);
        e.b = static_cast<int32_t>(rgb[2]);
    }

    // While a colour space is captured. White at a new level: the level just finished gets the
    // values its search ended with. Those are the previous values when the finished level was
    // level 0 or the run moves on to the next colour (the station sent a zero offset after
    // accepting white), else the offset count tells: none sent, one, or the one before the zero
    // offset. The finished level is the one stored at the previous change, so runs of 2, 3 or 4
    // levels put white at its own level index as runs of 8 do.
    void capture(std::string_view text) {
        if (slot_ == kSlotWhite && Contains(text, "Change CS Level")) {
            Rgb values = previous_;
            if (level_ != 0 && storedLevel_ != 0) {
                values = offsetCount_ == 0 ? Rgb{0, 0, 0} : (offsetCount_ == 1 ? current_ : previous_);
            }
            store(kSlotWhite, storedLevel_, values);
            storedLevel_ = level_;
        } else if (slot_ == kSlotWhite && Contains(text, kRgbGain)) {
            store(kSlotWhite, level_, current_);
        } else if (slot_ != kSlotWhite && Contains(text, kRgbOffset)) {
            store(slot_, level_, current_);
        }
    }

    // Outside colour space: the gains sent last before the white-point search moved on are
    // the ones it accepted for that colour-temperature row.
    void whiteBalance(std::string_view text) {
        if (!previousHadGain_ || Contains(text, kRgbGain)) {
            return;
        }
        if (gainRow_ >= kWhiteRowCount) {
            warn("more than seven white-balance rows; ignored");
            return;
        }
        const size_t row = static_cast<size_t>(gainRow_++);
        for (size_t ch = 0; ch < 3; ++ch) {
            const uint8_t value = LowByte(current_[ch]);
            d_.targetGains[row][ch] = value;
            d_.gainTexts[row][6 + ch] = Format("%3d", value);
        }
        load_.gainColumnsSet[row] = static_cast<uint16_t>(load_.gainColumnsSet[row] | (7u << 6));
    }

    CalFileLoad& load_;
    CalibrationData& d_;
    Warnings warnings_;
    int number_ = 0;
    bool markerLine_ = false;
    int capture_ = 0;  // 0 or -1: no colour space; n: ColorSpaceId n - 1
    int gainRow_ = 0;
    int slot_ = kSlotWhite;
    int level_ = 0;
    int storedLevel_ = 0;
    int offsetCount_ = 0;
    Rgb current_{};
    Rgb previous_{};
    bool previousHadGain_ = false;
    int gammaNext_ = 0;
    int patternStage_ = 0;
    int positions_ = 0;
};

}  // namespace

CalFileLoad ImportLog(std::string_view text, const std::string& defaultId) {
    CalFileLoad load;
    load.data.resetForLoad();
    load.data.calibrationId = defaultId;
    LogImporter importer(load);
    ForEachLine(text, [&](std::string_view line, int number) { importer.line(line, number); });
    importer.finish();
    return load;
}

}  // namespace halvo

#include "calibration/colour_space_calibration.h"

#include <algorithm>
#include <cmath>

#include "calibration/calibration_engine.h"
#include "colorimetry/chromaticity.h"
#include "common/text_format.h"

namespace halvo {
namespace {

uint32_t Packed(const ColourValues& v) {
    return static_cast<uint32_t>(v.r & 0xFF) | static_cast<uint32_t>(v.g & 0xFF) << 8 |
           static_cast<uint32_t>(v.b & 0xFF) << 16;
}

uint32_t GammaCurveCode(double targetGamma) {
    return targetGamma == 2.2 ? 14u : 16u;
}

constexpr ColourValues kFullGains{255, 255, 255};

}  // namespace

ColourSpaceCalibration::Position ColourSpaceCalibration::position() const {
    const int32_t step = engine_.context().task.stepCounter;
    return {step & 0xFF, (step >> 8) & 0xF, (step >> 12) & 0xF, (step >> 16) & 0xF};
}

int ColourSpaceCalibration::levelCount() const {
    return std::max(engine_.context().page.data.levelCount, 1);
}

int ColourSpaceCalibration::levelStep() const {
    return static_cast<int>(std::trunc(8.0 / levelCount() + 0.5));
}

int ColourSpaceCalibration::nextCheckedSpace(int after) const {
    const uint8_t mask = engine_.context().page.data.colorSpaceMask;
    for (int n = after + 1; n < kColorSpaceCount; ++n) {
        if ((mask & (1u << n)) != 0) {
            return n;
        }
    }
    return -1;
}

// The page follows the search: the colour space and level in hand selected, their targets and
// what has been accepted so far shown.
void ColourSpaceCalibration::display(int space, int level) {
    Ccalib& page = engine_.context().page;
    if (page.colorSpaceList.hasIndex(space) && page.colorSpaceList.items.size() == kColorSpaceCount) {
        page.colorSpaceList.selected = space;
    }
    const int entry = level / std::max(levelStep(), 1);
    if (level % std::max(levelStep(), 1) == 0 && page.levelList.hasIndex(entry)) {
        page.levelList.selected = entry;
    }
    page.showColorSpaceTargets(space, level);
    engine_.context().ui.refresh();
}

void ColourSpaceCalibration::showValues(int colour, const ColourValues& values) {
    CalibrationContext& c = engine_.context();
    std::vector<std::string>& cells = c.page.colorTargetList.rows[static_cast<size_t>(colour)].cells;
    cells[8] = Format("%d", values.r);
    cells[9] = Format("%d", values.g);
    cells[10] = Format("%d", values.b);
    c.ui.refresh();
}

void ColourSpaceCalibration::clearResultColumns() {
    for (TableRow& row : engine_.context().page.colorTargetList.rows) {
        std::fill(row.cells.begin() + 4, row.cells.end(), std::string());
    }
}

void ColourSpaceCalibration::sendValues(const Position& p, const ColourValues& values, int delayMs) {
    CalibrationContext& c = engine_.context();
    if (whiteGainsInUse(p)) {
        c.send(MonitorCommand::SetRgbGainAlt, Packed(values), delayMs);
    } else {
        c.monitor.sendRgbOffset(values.r, values.g, values.b, delayMs);
        sentOffsets_ = values;
    }
}

void ColourSpaceCalibration::colourSpaceStep() {
    const Position p = position();
    if (p.iteration == 0) {
        setUp(p);
    } else {
        iterate(p);
    }
}

void ColourSpaceCalibration::setUp(Position p) {
    CalibrationContext& c = engine_.context();
    forcedAcceptance = false;
    const int drive = (15 - p.level) * 17;
    if (p.colour != kSlotWhite) {
        c.logLine(Format("Change CS Level %d", drive));
        if (p.level == 0) {
            // A change of gains is a change of picture like a search step's (those go 10 ms
            // apart): the fast run's settling waits for the light instead.
            c.send(MonitorCommand::SetRgbGainAlt, Packed(whiteGains[static_cast<size_t>(p.space)]),
                   c.fast() ? 10 : 1000);
        }
        display(p.space, p.level);
        c.send(MonitorCommand::DrawPattern, ColourPattern(p.colour, p.level), 10);
        // The first reading must be taken with the values the search starts from, not with
        // the previous colour's offsets still in the monitor.
        const ColourValues& start = currentValues[static_cast<size_t>(p.colour)];
        if (start != sentOffsets_) {
            c.monitor.sendRgbOffset(start.r, start.g, start.b, 10);
            sentOffsets_ = start;
        }
    } else if (p.level > 0) {
        c.logLine(Format("Change CS Level %d", drive));
        display(p.space, p.level);
        currentValues[kSlotWhite] = {0, 0, 0};
        c.send(MonitorCommand::DrawPattern, ColourPattern(kSlotWhite, p.level), 10);
    } else {
        startColourSpace(p);
        if (c.task.CalibrationState != kTaskColorSpace) {
            return;  // nothing to calibrate: handed over
        }
    }
    valueHistory[0] = currentValues[static_cast<size_t>(p.colour)];
    target_ = ColorSpaceTargetReading(
        c.page.colorSpaceTargets[static_cast<size_t>(p.space)][static_cast<size_t>(p.colour)], p.level);
    c.armReading(c.measurementDelayMs());
    c.task.stepCounter += 1;
}

void ColourSpaceCalibration::startColourSpace(Position& p) {
    CalibrationContext& c = engine_.context();
    c.logLine("Start Colorspace Calibration");
    if (p.space == 0) {
        // The first colour space of the run.
        c.send(MonitorCommand::SetGamma, GammaCurveCode(c.page.data.targetGamma), 2000);
        c.send(MonitorCommand::SetNativeColorSpace, 0, 5000);
        secondaryProjection = false;
        const int first = nextCheckedSpace(-1);
        if (first < 0) {
            c.logLine("No color space target is checked.");
            handOverToWhitePoint();
            return;
        }
        p.space = first;
        c.task.stepCounter = first << 16;
        display(first, 0);
        if (first == kDCinema) {
            // Cinema is calibrated on its own curve, as when it follows another space.
            c.send(MonitorCommand::SetGamma, 19, 2000);
        }
    }
    c.send(MonitorCommand::SetNativeColorSpace, static_cast<uint32_t>(p.space + 1), 5000);
    clearResultColumns();
    c.monitor.sendRgbOffset(0, 0, 0, 1000);
    sentOffsets_ = {0, 0, 0};
    whiteGains[static_cast<size_t>(p.space)] = kFullGains;
    currentValues[kSlotWhite] = kFullGains;
    c.send(MonitorCommand::SetRgbGainAlt, Packed(kFullGains), 200);
    c.send(MonitorCommand::DrawPattern, ColourPattern(kSlotWhite, 0), 10);
}

void ColourSpaceCalibration::iterate(Position p) {
    CalibrationContext& c = engine_.context();
    c.stopMeasurementTimers();
    const int i = p.iteration - 1;
    const size_t ii = static_cast<size_t>(i);
    ColorReading& reading = readingHistory[ii];
    reading = c.currentReading;
    ReadingDifference(reading, target_);

    // A secondary after a primary that could not be reached aims at the line between the
    // primaries as they were measured, from its second reading on (the first one is corrected
    // towards the colour space's own target).
    if (secondaryProjection && i == 1 && p.colour >= kSlotYellow) {
        static constexpr int kEnds[3][2] = {{0, 1}, {1, 2}, {2, 0}};  // Y: R-G, C: G-B, M: B-R
        const auto& a = measuredPrimaries[static_cast<size_t>(kEnds[p.colour - kSlotYellow][0])];
        const auto& b = measuredPrimaries[static_cast<size_t>(kEnds[p.colour - kSlotYellow][1])];
        ProjectOntoLine(target_.u, target_.vp, a[0], a[1], b[0], b[1]);
        target_.v = target_.vp * 2.0 / 3.0;
    }

    const ColourValues& current = valueHistory[ii];
    ColourCorrection corr = CorrectColourValues(p.colour, reading, target_, current);
    if (c.fast()) {
        modelCorrection(p, i, reading, current, corr);
    }
    c.logReading(reading);

    const bool same = corr.values == current;
    const bool close = std::fabs(reading.du) < 0.02 && std::fabs(reading.dv) < 0.02 && corr.L >= 0.0 && corr.L <= 0.5;
    if (same || close || forcedAcceptance) {
        if (same) {
            c.logLine("Same value3 !!");
            const int k = BestIteration(readingHistory.data(), i, target_);
            c.logLine(Format("min3! = %d,%d ", k, i));
            sendValues(p, valueHistory[static_cast<size_t>(k)], 10);
            accept(p, i, k, valueHistory[static_cast<size_t>(k)]);
        } else {
            accept(p, i, i, current);
        }
        return;
    }

    const ColourValues limited = LimitColourValues(corr.values);
    ColourValues next = limited;
    if (i >= kMaxIterations) {
        forcedAcceptance = true;
        const int k = BestIteration(readingHistory.data(), i, target_);
        c.logLine(Format("Fail to search!! = %d,%d ", k, i));
        next = valueHistory[static_cast<size_t>(k)];
    } else if (i >= 4 && limited == valueHistory[ii - 1] && limited == valueHistory[ii - 2]) {
        const bool top = limited.r == kColourValueLimit || limited.g == kColourValueLimit ||
                         limited.b == kColourValueLimit;
        c.logLine(top && p.colour <= kSlotBlue ? "Not enough space for W,R,G,B!!" : "Not enough space for Y,C,M !!");
        forcedAcceptance = true;
        const int k = BestIteration(readingHistory.data(), i, target_);
        c.logLine(Format("min1!! = %d,%d ", k, i));
        next = valueHistory[static_cast<size_t>(k)];
    } else {
        int repeats = 0;
        for (size_t j = 0; j < ii; ++j) {
            repeats += valueHistory[j] == current ? 1 : 0;
        }
        const bool repeated = repeats >= 6;
        const bool longSecondary = !repeated && i > 100 && p.colour >= kSlotYellow;
        if (repeated || longSecondary) {
            c.logLine(repeated ? "Same value1 !!" : "Same value2 !!");
            forcedAcceptance = true;
            const int k = BestIteration(readingHistory.data(), i, target_);
            c.logLine(Format("min2!! = %d,%d ", k, i));
            next = valueHistory[static_cast<size_t>(k)];
        }
    }
    valueHistory[ii + 1] = next;
    currentValues[static_cast<size_t>(p.colour)] = next;
    sendValues(p, next, 10);
    showValues(p.colour, next);
    c.armReading(c.measurementDelayMs());
    c.task.stepCounter += 1;
}

void ColourSpaceCalibration::modelCorrection(const Position& p, int i, const ColorReading& reading,
                                             const ColourValues& current, ColourCorrection& corr) {
    CalibrationContext& c = engine_.context();
    // A secondary's target may have moved onto its primaries' line at i = 1: the search starts
    // again from there.
    if (i == 0 || (secondaryProjection && i == 1 && p.colour >= kSlotYellow)) {
        secant_.start(PrescribedColourModel(p.colour));
        modelFellBack_ = i == 0 ? false : modelFellBack_;
    }
    if (modelFellBack_) {
        return;
    }
    static constexpr const char* kColourNames[kColorSlotCount] = {"White", "Red",    "Green", "Blue",
                                                                   "Yellow", "Cyan", "Magenta"};
    const auto fallBack = [&](const char* why) {
        modelFellBack_ = true;
        ++modelFallbacks;
        c.logLine(Format("Fast colour-space search of %s %s (level %d) %s: the prescribed search continues.",
                         kColorSpaceListNames[static_cast<size_t>(p.space)], kColourNames[p.colour],
                         (15 - p.level) * 17, why));
    };
    if (i >= modelIterations) {
        fallBack(Format("did not converge in %d steps", modelIterations).c_str());
        return;
    }
    secant_.observe({static_cast<double>(current.r), static_cast<double>(current.g), static_cast<double>(current.b)},
                    {reading.u - target_.u, reading.vp - target_.vp, corr.L});
    // The middle of the luminance window the acceptance allows (0 <= L <= 0.5).
    const std::optional<Vec3> next = secant_.next({0.0, 0.0, 0.25});
    if (!next) {
        fallBack("has no model");
        return;
    }
    // Rounded as the prescribed search rounds its changes: a change below 0.7 leaves a value
    // where it is, so a search within a unit of its aim repeats its values and ends.
    const auto rounded = [](int from, double to) {
        const double change = to - from;
        return static_cast<int>(std::trunc(change > 0 ? to + 0.3 : to - 0.3));
    };
    corr.values = ClearAbsentNegatives(p.colour, {rounded(current.r, (*next)[0]), rounded(current.g, (*next)[1]),
                                                  rounded(current.b, (*next)[2])});
}

void ColourSpaceCalibration::accept(const Position& p, int i, int chosen, const ColourValues& values) {
    CalibrationContext& c = engine_.context();
    const ColorReading& accepted = readingHistory[static_cast<size_t>(chosen)];
    if (p.colour >= kSlotRed && p.colour <= kSlotBlue) {
        measuredPrimaries[static_cast<size_t>(p.colour - kSlotRed)] = {accepted.u, accepted.vp};
    }
    if (forcedAcceptance) {
        secondaryProjection = true;
        ++forcedAcceptances;
    }
    forcedAcceptance = false;
    ColorSpaceEntry& entry = c.page.data.entry(p.space, p.colour, p.level);
    entry.reading = accepted;
    entry.r = values.r;
    entry.g = values.g;
    entry.b = values.b;
    currentValues[static_cast<size_t>(p.colour)] = values;
    iterations[static_cast<size_t>(p.space)][static_cast<size_t>(p.colour)][static_cast<size_t>(p.level)] = i + 1;

    readBack(p, values);
    display(p.space, p.level);

    const int s = levelStep();
    const int B = levelCount();
    int level = p.level + s;
    int colour = p.colour;
    if (B < 2 || level >= s * (B - 1) + 1) {
        colour += 1;
        level = 0;
    }
    c.task.stepCounter = p.space << 16 | colour << 12 | level << 8;
    engine_.countProgress();
    if (colour < kColorSlotCount) {
        if (p.colour == kSlotWhite) {
            c.monitor.sendRgbOffset(0, 0, 0, 10);
            sentOffsets_ = {0, 0, 0};
        }
        c.armNextSearch(c.measurementDelayMs());
        return;
    }
    uploadCounter = 0;
    c.task.CalibrationState = kTaskColorSpaceUpload;
    c.scheduler.arm(kTimerRead, 10);
}

// What the monitor made of the accepted values: the input luminance of white, and the offsets it
// derived (in its 10-bit domain) for every other colour and for white below the top level.
void ColourSpaceCalibration::readBack(const Position& p, const ColourValues& values) {
    CalibrationContext& c = engine_.context();
    if (p.colour != kSlotWhite) {
        readOffsets(p.space, p.colour, p.level);
        return;
    }
    readInputLuminance(p.level);
    if (p.level == 0) {
        whiteGains[static_cast<size_t>(p.space)] = values;
        for (std::array<int, 3>& level : colourOffsets[static_cast<size_t>(p.space)][kSlotWhite]) {
            level = {0, 0, 0};
        }
        c.send(MonitorCommand::SetColorSpaceWhite,
               static_cast<uint32_t>(p.space) | Packed(values) << 8, 1000);
    } else {
        // The grey curve of "White Priority" is made of these.
        readOffsets(p.space, p.colour, p.level);
    }
}

void ColourSpaceCalibration::readOffsets(int space, int colour, int level) {
    CalibrationContext& c = engine_.context();
    SerialLink& link = c.monitor.link();
    std::array<int, 3>& offsets =
        colourOffsets[static_cast<size_t>(space)][static_cast<size_t>(colour)][static_cast<size_t>(level)];
    link.purge();
    c.send(MonitorCommand::GetColorSpaceOffset, 0, 200);
    const Bytes reply = link.readChunk();
    for (size_t ch = 0; ch < 3; ++ch) {
        const std::optional<uint16_t> word = ReplyWord(reply, 2 + 2 * ch);
        offsets[ch] = word ? ColorSpaceOffsetValue(*word) : 0;
    }
    if (!ReplyWord(reply, 6)) {
        c.logLine("No ColorSpace offset answer from the monitor.");
    }
}

void ColourSpaceCalibration::readInputLuminance(int level) {
    CalibrationContext& c = engine_.context();
    SerialLink& link = c.monitor.link();
    link.purge();
    c.send(MonitorCommand::GetColorSpaceInputLuminance, 0, 500);
    const std::optional<uint16_t> luminance = ReplyWord(link.readChunk(), 2);
    if (!luminance) {
        c.logLine("No ColorSpace input luminance answer from the monitor.");
    }
    inputLuminance[static_cast<size_t>(level)] = static_cast<int16_t>(luminance.value_or(0));
}

}  // namespace halvo

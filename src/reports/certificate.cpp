#include "reports/certificate.h"

#include <cctype>
#include <cmath>

#include "colorimetry/chromaticity.h"
#include "common/station_settings.h"
#include "common/text_format.h"
#include "reports/result_texts.h"

namespace halvo {

namespace {

// Grid places of the probe positions 0..8 (the order of the uniformity walk): row, column.
constexpr std::array<std::pair<int, int>, kPositionCount> kPlaces = {{
    {1, 1}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0},
}};

void JudgeItems(const CertificateSources& s, const ReportBook& after, Certificate& c) {
    std::vector<VerdictLine> beforeLines;
    if (s.before != nullptr) {
        ReportInputs earlier = s.report;
        earlier.results = s.before;
        earlier.colorSpaceMask = s.beforeMask;
        earlier.colorSpaceMode = s.beforeColorSpaceMode;
        beforeLines = BuildReportBook(earlier).verdicts;
    }
    const Comparison cmp = CompareVerdicts(beforeLines, after.verdicts);
    c.hasBefore = s.before != nullptr && cmp.measuredBefore > 0;
    c.measuredItems = cmp.measuredAfter;
    c.outOfRange = cmp.outOfRangeAfter;
    c.measuredBefore = cmp.measuredBefore;
    c.outOfRangeBefore = cmp.outOfRangeBefore;
    for (size_t i = 0; i < cmp.lines.size(); ++i) {
        const ComparedLine& l = cmp.lines[i];
        CertificateItem item;
        item.test = l.test;
        item.item = l.item;
        item.quantity = l.quantity;
        item.criterion = TrimBlanks(after.verdicts[i].criterion);
        item.value = l.after;
        item.verdict = l.afterVerdict;
        item.inBefore = c.hasBefore && l.inBefore;
        item.before = l.before;
        item.beforeVerdict = l.beforeVerdict;
        c.items.push_back(std::move(item));
    }
    c.verdict = c.outOfRange > 0            ? CertificateVerdict::Fail
                : c.measuredItems > 0       ? CertificateVerdict::Pass
                                            : CertificateVerdict::NotVerified;
}

void WhitePoints(const ReportInputs& in, Certificate& c) {
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(ReportSummarySpace(in, true))];
    const std::array<int, 5> kelvins = in.alternateWhites ? std::array<int, 5>{3200, 6500, 7000, 9300, 11000}
                                                          : std::array<int, 5>{3200, 5400, 6500, 9300, 11000};
    for (size_t i = 0; i < kelvins.size(); ++i) {
        const ColorReading& m = r.temperatures[i];
        // The fifth preset exists only while colour-space mode is off; show it when measured.
        if (i == 4 && !Measured(m.lv)) {
            continue;
        }
        ColorReading target;
        ReadingFromTemperature(100.0, in.alternateWhites, target, kelvins[i]);
        WhitePointRow row;
        row.preset = in.alternateWhites && kelvins[i] == 7000 ? "JUDD-OFFSET" : Format("%dK", kelvins[i]);
        row.targetU = target.u;
        row.targetV = target.vp;
        row.measured = Measured(m.lv) && Measured(m.u);
        if (row.measured) {
            row.u = m.u;
            row.v = m.vp;
            row.deltaUv = std::hypot(m.u - target.u, m.vp - target.vp);
            row.cct = m.cct;
            row.lv = m.lv;
        }
        c.whitePoints.push_back(row);
    }
}

void Uniformity(const ReportInputs& in, Certificate& c) {
    c.uniformityPercent = in.results->uniformityPercent;
    const ColorSpaceResults* measured = nullptr;
    for (const int cs : ReportColorSpaces(in)) {
        const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(cs)];
        for (const ColorReading& p : r.positions) {
            if (Measured(p.lv)) {
                measured = &r;
                break;
            }
        }
        if (measured != nullptr) {
            break;
        }
    }
    for (int i = 0; i < kPositionCount; ++i) {
        UniformityPlace& place = c.uniformity[static_cast<size_t>(i)];
        place.name = PositionName(i);
        place.row = kPlaces[static_cast<size_t>(i)].first;
        place.col = kPlaces[static_cast<size_t>(i)].second;
        if (measured == nullptr) {
            continue;
        }
        const double lv = measured->positions[static_cast<size_t>(i)].lv;
        const double centre = measured->positions[0].lv;
        place.measured = Measured(lv);
        place.lv = lv;
        place.percentOfCentre = place.measured && Measured(centre) ? lv * 100.0 / centre : 0.0;
    }
}

void Diagram(const ReportInputs& in, Certificate& c) {
    c.diagram.kind = kChartUv;
    for (const int cs : ReportColorSpaces(in)) {
        const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(cs)];
        GamutOverlay g;
        g.colorSpace = cs;
        g.hasTarget = cs > 0;
        if (g.hasTarget) {
            g.target = TargetTriangleXy(cs);
            const ColorSpaceTarget& w = in.targets[static_cast<size_t>(cs - 1)][0];
            g.targetWhite = {w.x, w.y};
        }
        g.hasMeasured = Measured(r.colors[3].lv) && Measured(r.colors[4].lv) && Measured(r.colors[5].lv);
        for (size_t p = 0; p < 3; ++p) {
            g.measured[p] = {r.colors[3 + p].x, r.colors[3 + p].y};
        }
        g.hasMeasuredWhite = Measured(r.colors[kResultWhite].lv);
        g.measuredWhite = {r.colors[kResultWhite].x, r.colors[kResultWhite].y};
        if (g.hasMeasured || g.hasMeasuredWhite) {
            c.diagram.gamuts.push_back(g);
        }
    }
}

void GammaCurve(const ReportInputs& in, Certificate& c) {
    // BT.709 when it was measured, the run's first colour space otherwise.
    std::vector<int> spaces = ReportColorSpaces(in);
    c.gammaSpace = spaces.front();
    for (const int cs : spaces) {
        if (cs == 1 && Measured(in.results->spaces[1].gamma[kGammaLevelCount - 1].lv)) {
            c.gammaSpace = 1;
        }
    }
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(c.gammaSpace)];
    c.gammaValue = r.gammaValue;
    c.gammaTarget = TargetGamma(c.gammaSpace);
    c.gamma.kind = kChartRelativeLuminance;
    c.gamma.colorSpace = c.gammaSpace;
    c.gamma.targetGamma = c.gammaTarget;
    for (int k = 0; k < kGammaLevelCount; ++k) {
        const ColorReading& g = r.gamma[static_cast<size_t>(k)];
        if (!Measured(g.lv)) {
            // The chart's points stand for consecutive levels; a gap ends them.
            break;
        }
        c.gamma.series.gamma.push_back({std::ceil(k * 25.5), g.lv});
    }
}

}  // namespace

const char* Certificate::verdictText() const {
    switch (verdict) {
        case CertificateVerdict::Pass: return "PASS";
        case CertificateVerdict::Fail: return "FAIL";
        case CertificateVerdict::NotVerified: return "NOT VERIFIED";
    }
    return "NOT VERIFIED";
}

std::string Certificate::verdictDetail() const {
    if (measuredItems == 0) {
        return "Nothing was measured.";
    }
    if (outOfRange == 0) {
        return Format("All %d measured items within their limits.", measuredItems);
    }
    return Format("%d of %d measured items out of range.", outOfRange, measuredItems);
}

Certificate BuildCertificate(const CertificateSources& s) {
    const ReportInputs& in = s.report;
    Certificate c;
    c.model = in.model;
    c.firmware = s.firmware;
    c.serialNumber = s.serialNumber;
    c.calibrationId = in.calibrationId;
    c.date = in.date;
    c.stationName = s.stationName;
    c.testedBy = in.testedBy;
    c.instrument = in.probe;
    c.instrumentSerial = s.instrumentSerial;
    c.matrix = s.matrix;
    c.software = Format("Halvo V%d.%d", in.versionMajor, in.versionMinor);
    if (in.results == nullptr) {
        return c;
    }
    ReportBook book = BuildReportBook(in);
    JudgeItems(s, book, c);
    WhitePoints(in, c);
    Uniformity(in, c);
    c.patches = std::move(book.patches);
    Diagram(in, c);
    GammaCurve(in, c);
    return c;
}

ModelAndFirmware SplitVersionText(const std::string& text) {
    const std::string clean = TrimBlanks(text);
    if (clean.empty()) {
        return {};
    }
    const size_t space = clean.find_last_of(' ');
    if (space != std::string::npos && space + 2 < clean.size() &&
        (clean[space + 1] == 'V' || clean[space + 1] == 'v') &&
        std::isdigit(static_cast<unsigned char>(clean[space + 2])) != 0) {
        const size_t modelEnd = clean.find_last_not_of(' ', space);
        return {clean.substr(0, modelEnd + 1), clean.substr(space + 1)};
    }
    return {clean, clean};
}

std::string CertificateStationName(const std::string& stationSetting) {
    return StationNameOrHostName(stationSetting);
}

}  // namespace halvo

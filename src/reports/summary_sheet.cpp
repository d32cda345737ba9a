// The summary sheet "Measure": the six tests with reference, measured value and verdict, the
// program's version line and the grey-scale tracking tables.

#include <cmath>

#include "colorimetry/chromaticity.h"
#include "reports/report_cells.h"

namespace halvo {

using report::Cell;
using report::Fixed2;
using report::Fixed3;
using report::Fixed4;
using report::Kelvin;
using report::Merge;

// The colour space whose colour and colour-temperature readings the summary judges: the first
// of the run that measured them.
int ReportSummarySpace(const ReportInputs& in, bool temperatures) {
    for (const int cs : ReportColorSpaces(in)) {
        const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(cs)];
        if (temperatures ? Measured(r.temperatures[0].lv) : Measured(r.colors[kResultBlack].lv)) {
            return cs;
        }
    }
    return ReportColorSpaces(in).front();
}

namespace {

std::array<const char*, 4> TemperatureItems(bool alternateWhites) {
    if (alternateWhites) {
        return {"3200K", "6500K", "JUDD-OFFSET", "9300K"};
    }
    return {"3200K", "5400K", "6500K", "9300K"};
}

std::array<int, 4> TemperatureKelvins(bool alternateWhites) {
    if (alternateWhites) {
        return {3200, 6500, 7000, 9300};
    }
    return {3200, 5400, 6500, 9300};
}

struct Writer {
    ReportSheet& sheet;
    std::vector<VerdictLine>& verdicts;

    void judged(int row, const std::string& test, const std::string& item, const std::string& quantity,
                const std::string& value, Verdict v) {
        Cell(sheet, row, 8, value);
        Cell(sheet, row, 9, VerdictText(v), report::VerdictStyle(v));
        verdicts.push_back({test, item, quantity, value, v, sheet.textAt(row, 5)});
    }
    // Number and name of a test over its rows.
    void test(int first, int last, const char* number, const char* name) {
        Merge(sheet, first, 1, last, 1, number);
        Merge(sheet, first, 2, last, 3, name);
    }
};

void WhiteLuminance(const ReportInputs& in, Writer& w) {
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(ReportSummarySpace(in, true))];
    static const char* const kCriteria[4] = {"100cd/\u33A1\u00B120%  (80~120)", "100cd/\u33A1\u00B110%  (90~110)",
                                             "100cd/\u33A1\u00B15%  (95~105)", "100cd/\u33A1\u00B110%  (90~110)"};
    static const double kTolerance[4] = {20, 10, 5, 10};
    const auto items = TemperatureItems(in.alternateWhites);
    w.test(8, 11, "1", "Luminance of White");
    for (int i = 0; i < 4; ++i) {
        const int row = 8 + i;
        const double lv = r.temperatures[static_cast<size_t>(i)].lv;
        Cell(w.sheet, row, 4, items[static_cast<size_t>(i)]);
        Cell(w.sheet, row, 5, kCriteria[i]);
        Merge(w.sheet, row, 6, row, 7, "Lv");
        const Verdict v = WhiteLuminanceVerdict(r.temperatures[0].lv, lv, kTolerance[i]);
        w.judged(row, "Luminance of White", items[static_cast<size_t>(i)], "Lv",
                 Fixed2(lv, v != Verdict::NotMeasured && Measured(lv)), v);
    }
}

void BlackLuminance(const ReportInputs& in, Writer& w) {
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(ReportSummarySpace(in, false))];
    const double lv = r.colors[kResultBlack].lv;
    w.test(12, 12, "2", "Luminance of Black");
    Cell(w.sheet, 12, 4, "");
    Cell(w.sheet, 12, 5, "\u2264 0.30 cd/\u33A1");
    Merge(w.sheet, 12, 6, 12, 7, "Black Level");
    const Verdict v = BlackLuminanceVerdict(lv);
    w.judged(12, "Luminance of Black", "", "Black Level", Fixed4(lv, v != Verdict::NotMeasured), v);
}

void ColorTemperature(const ReportInputs& in, Writer& w) {
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(ReportSummarySpace(in, true))];
    const auto items = TemperatureItems(in.alternateWhites);
    const auto kelvins = TemperatureKelvins(in.alternateWhites);
    w.test(13, 20, "3", "Color Temperature");
    for (int i = 0; i < 4; ++i) {
        const int row = 13 + 2 * i;
        const ColorReading& m = r.temperatures[static_cast<size_t>(i)];
        ColorReading target;
        ReadingFromTemperature(100.0, in.alternateWhites, target, kelvins[static_cast<size_t>(i)]);
        const double tolerance = i == 3 ? 0.004 : 0.003;
        const char* criterion = i == 3 ? "\u2264 0.0040" : "\u2264 0.0030";
        Merge(w.sheet, row, 4, row + 1, 4, items[static_cast<size_t>(i)]);
        Merge(w.sheet, row, 6, row + 1, 6, Kelvin(m.cct, Measured(m.lv)));
        const double du = std::fabs(m.u - target.u);
        const double dv = std::fabs(m.vp - target.vp);
        const Verdict vu = TemperatureVerdict(r.temperatures[0].u, du, tolerance);
        const Verdict vv = TemperatureVerdict(r.temperatures[0].u, dv, tolerance);
        const bool shown = vu != Verdict::NotMeasured && Measured(m.u);
        Cell(w.sheet, row, 5, criterion);
        Cell(w.sheet, row + 1, 5, criterion);
        Cell(w.sheet, row, 7, "\u0394u'");
        Cell(w.sheet, row + 1, 7, "\u0394v'");
        w.judged(row, "Color Temperature", items[static_cast<size_t>(i)], "\u0394u'", Fixed4(du, shown),
                 shown ? vu : Verdict::NotMeasured);
        w.judged(row + 1, "Color Temperature", items[static_cast<size_t>(i)], "\u0394v'",
                 Fixed4(dv, shown), shown ? vv : Verdict::NotMeasured);
    }
}

void PrimaryColors(const ReportInputs& in, Writer& w) {
    static const char* const kItems[kMeasureSpaceCount] = {"Native", "BT-709", "SMPTE-C", "EBU", "NTSC", "D-CINEMA"};
    static const char* const kNativeQuantities[7] = {"u' r", "v' r", "u' g", "v' g", "u' b", "v' b", "gamut(%)"};
    static const char* const kQuantities[7] = {"\u0394u' r", "\u0394v' r", "\u0394u' g", "\u0394v' g",
                                               "\u0394u' b", "\u0394v' b", "gamut(%)"};
    w.test(21, 62, "4", "Primary Colors");
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        const int first = 21 + 7 * cs;
        const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(cs)];
        const ColorReading* rgb[3] = {&r.colors[3], &r.colors[4], &r.colors[5]};
        PrimaryMeasurement m;
        m.measured = Measured(rgb[0]->u);
        std::array<double, 6> values{};
        for (int p = 0; p < 3; ++p) {
            double tu = 0.0, tv = 0.0;
            if (cs > 0) {
                const ColorSpaceTarget& t = in.targets[static_cast<size_t>(cs - 1)][static_cast<size_t>(p + 1)];
                tu = t.u;
                tv = t.vp;
            }
            values[static_cast<size_t>(2 * p)] = cs == 0 ? rgb[p]->u : std::fabs(rgb[p]->u - tu);
            values[static_cast<size_t>(2 * p + 1)] = cs == 0 ? rgb[p]->vp : std::fabs(rgb[p]->vp - tv);
        }
        m.differences = values;
        m.gamut = GamutPercent({rgb[0]->x, rgb[0]->y}, {rgb[1]->x, rgb[1]->y}, {rgb[2]->x, rgb[2]->y});
        const std::array<Verdict, 7> verdicts = PrimaryVerdicts(cs, m);
        Merge(w.sheet, first, 4, first + 6, 4, kItems[cs]);
        for (int i = 0; i < 7; ++i) {
            const int row = first + i;
            std::string criterion;
            if (cs == 0) {
                criterion = i < 6 ? " " : "100%";
            } else if (cs == 5) {
                criterion = i < 6 ? "-" : "96%";
            } else if (cs == 4) {
                criterion = i < 6 ? "\u2264 0.0100" : "100% \u00B1 10%";
            } else if (i == 6) {
                criterion = cs == 1 ? "71% \u00B1 5%" : cs == 2 ? "66% \u00B1 3%" : "72% \u00B1 5%";
            } else {
                criterion = i == 0 ? "\u2264 0.0060" : "\u2264 0.0050";
            }
            const char* quantity = cs == 0 ? kNativeQuantities[i] : kQuantities[i];
            Cell(w.sheet, row, 5, criterion);
            Merge(w.sheet, row, 6, row, 7, quantity);
            const double value = i < 6 ? values[static_cast<size_t>(i)] : m.gamut;
            w.judged(row, "Primary Colors", kItems[cs], quantity, Fixed4(value, m.measured),
                     verdicts[static_cast<size_t>(i)]);
        }
    }
}

// Returns the row after the gamma block.
int Gamma(const ReportInputs& in, Writer& w) {
    struct Item {
        const char* name;
        int cs;
        bool repeated;
    };
    std::vector<Item> items = {{"Native", 0, false}, {"BT-709", 1, false}};
    if (in.alternateWhites) {
        items.push_back({"JUDD-OFFSET", 1, true});
    }
    for (const Item i : {Item{"SMPTE-C", 2, false}, Item{"EBU", 3, false}, Item{"NTSC", 4, false},
                         Item{"D-CINEMA", 5, false}}) {
        items.push_back(i);
    }
    const int first = 63;
    const int last = first + static_cast<int>(items.size()) - 1;
    w.test(first, last, "5", "Gamma");
    for (size_t i = 0; i < items.size(); ++i) {
        const int row = first + static_cast<int>(i);
        const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(items[i].cs)];
        const double gamma = items[i].repeated ? r.repeatedGammaValue : r.gammaValue;
        const double target = items[i].cs == 5 ? 2.6 : 2.2;
        Cell(w.sheet, row, 4, items[i].name);
        Cell(w.sheet, row, 5, items[i].cs == 5 ? "2.60\u00B10.02" : "2.20\u00B10.02");
        Merge(w.sheet, row, 6, row, 7, "Black~White");
        w.judged(row, "Gamma", items[i].name, "Black~White", Fixed3(gamma, Measured(gamma)),
                 GammaVerdict(gamma, target));
    }
    return last + 1;
}

void Uniformity(const ReportInputs& in, Writer& w, int row) {
    const double percent = in.results->uniformityPercent;
    w.test(row, row, "6", "Uniformity");
    Cell(w.sheet, row, 4, " ");
    Cell(w.sheet, row, 5, "\u2264 10%");
    Merge(w.sheet, row, 6, row, 7, " ");
    w.judged(row, "Uniformity", "", "", Fixed2(percent, Measured(percent)), UniformityVerdict(percent));
}

// One grey-scale tracking table: the eleven grey levels of a gamma run against a white target.
void GreyTable(ReportSheet& sheet, int top, const char* title, const std::array<ColorReading, kGammaReadingCount>& grey,
               double targetX, double targetY, bool temperatureRows) {
    Merge(sheet, top, 1, top, 2, title, CellStyle::Heading);
    for (int k = 0; k <= 10; ++k) {
        Cell(sheet, top + 1, 3 + k, Format("%d%%", k * 10), CellStyle::Heading);
    }
    std::vector<const char*> labels = {"Vorla x:", "Vorla y:", "Vorla Y:"};
    if (temperatureRows) {
        labels.push_back("6500K:");
    }
    for (const char* l : {"Target x:", "Target y:", "Target Y:"}) {
        labels.push_back(l);
    }
    if (temperatureRows) {
        labels.push_back("Target 6500K:");
    }
    labels.push_back("\u0394Y:");
    if (temperatureRows) {
        labels.push_back("\u03946500K:");
    }
    for (size_t i = 0; i < labels.size(); ++i) {
        Merge(sheet, top + 2 + static_cast<int>(i), 1, top + 2 + static_cast<int>(i), 2, labels[i], CellStyle::Label);
    }
    const double white = grey[10].lv;
    for (int k = 1; k <= 10; ++k) {
        const ColorReading& r = grey[static_cast<size_t>(k)];
        const int col = 3 + k;
        if (!Measured(r.x)) {
            continue;
        }
        const double level = std::ceil(k * 25.5);
        const double targetLv = Measured(white) ? white * std::pow(level / 255.0, 2.2) : 0.0;
        std::vector<std::string> values = {Format("%6.3lf", r.x), Format("%6.3lf", r.y), Format("%6.3lf", r.lv)};
        if (temperatureRows) {
            values.push_back(Format("%5d", r.cct));
        }
        values.push_back(Format("%6.3lf", targetX));
        values.push_back(Format("%6.3lf", targetY));
        values.push_back(Format("%6.3lf", targetLv));
        if (temperatureRows) {
            values.push_back("6500");
        }
        values.push_back(Format("%6.3lf", r.lv - targetLv));
        if (temperatureRows) {
            values.push_back(Format("%5d", r.cct - 6500));
        }
        for (size_t i = 0; i < values.size(); ++i) {
            Cell(sheet, top + 2 + static_cast<int>(i), col, values[i]);
        }
    }
}

}  // namespace

ReportSheet BuildSummarySheet(const ReportInputs& in, std::vector<VerdictLine>& verdicts) {
    ReportSheet sheet;
    sheet.name = "Measure";
    Cell(sheet, 0, 1, "Verification Report", CellStyle::Title);
    AddHeaderRows(sheet, in);
    Cell(sheet, 7, 1, "No.", CellStyle::Heading);
    Merge(sheet, 7, 2, 7, 3, "Test", CellStyle::Heading);
    Merge(sheet, 7, 4, 7, 5, "Reference", CellStyle::Heading);
    Merge(sheet, 7, 6, 7, 8, "Result", CellStyle::Heading);
    Cell(sheet, 7, 9, "Pass ", CellStyle::Heading);

    Writer w{sheet, verdicts};
    WhiteLuminance(in, w);
    BlackLuminance(in, w);
    ColorTemperature(in, w);
    PrimaryColors(in, w);
    const int uniformityRow = Gamma(in, w);
    Uniformity(in, w, uniformityRow);
    Cell(sheet, uniformityRow + 1, 1, Format("Tintara- V%d.%d", in.versionMajor, in.versionMinor), CellStyle::Plain);

    // Grey-scale tracking of the BT.709 gamma run, or of the run's first colour space when
    // BT.709 was not measured on its own.
    int greySpace = 1;
    if (!Measured(in.results->spaces[1].gamma[10].lv)) {
        greySpace = ReportColorSpaces(in).front();
        for (const int cs : ReportColorSpaces(in)) {
            if (Measured(in.results->spaces[static_cast<size_t>(cs)].gamma[10].lv)) {
                greySpace = cs;
                break;
            }
        }
    }
    GreyTable(sheet, 73, "D65", in.results->spaces[static_cast<size_t>(greySpace)].gamma, 0.3127, 0.3290, true);
    if (in.alternateWhites) {
        GreyTable(sheet, 87, "JUDD-OFFSET", in.results->spaces[1].repeatedGamma, 0.307, 0.318, false);
    }

    sheet.columnWidths = {2, 6, 12, 12, 12, 22, 12, 8, 12, 8, 8, 8, 8, 8};
    sheet.printLastRow = 77;
    sheet.printLastCol = 9;
    return sheet;
}

}  // namespace halvo

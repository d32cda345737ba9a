#include "reports/chart_model.h"

#include <cmath>

#include "colorimetry/locus_tables.h"
#include "common/text_format.h"

namespace halvo {

const std::array<const char*, kChartKindCount> kChartKindNames = {
    "Y intensity vs video level", "Y/Ymax vs Video Level", "CIE chart(xy Plot)", "CIE chart(u'v' Plot)"};

const std::array<const char*, kMeasureSpaceCount> kMeasureSpaceNames = {"Native", "BT.709", "SMPTE-C",
                                                                        "EBU",    "NTSC",   "D-Cinema"};

const DiagramMapping kXyDiagram = {482, 531, 39.0, 537.5, 491.0, 537.7777777777777};
const DiagramMapping kUvDiagram = {512, 512, 25.0, 768.3333333333334, 486.0, 768.3333333333334};

ChartGammaFit fitChartGamma(const std::vector<ChartPoint>& points) {
    ChartGammaFit fit;
    if (points.size() < 7) {
        return fit;
    }
    const auto ln = [](double v) { return v >= 0.00001 ? std::log(v) : -5.0; };
    double sw = 0, swx = 0, swy = 0;
    for (size_t i = 5; i < points.size(); ++i) {
        const double lx = ln(points[i].level);
        const double ly = ln(points[i].lv);
        const double w = std::exp(ly);
        sw += w;
        swx += w * lx;
        swy += w * ly;
    }
    const double mx = swx / sw;
    const double my = swy / sw;
    double sxy = 0, sxx = 0;
    for (size_t i = 5; i < points.size(); ++i) {
        const double lx = ln(points[i].level);
        const double ly = ln(points[i].lv);
        const double w = std::exp(ly);
        sxy += w * (lx - mx) * (ly - my);
        sxx += w * (lx - mx) * (lx - mx);
    }
    if (!(sxx > 0)) {
        return fit;  // all levels equal: no slope to speak of
    }
    fit.g = sxy / sxx;
    fit.a = std::exp(my - fit.g * mx);
    fit.ok = true;
    return fit;
}

LuminanceLayout LayoutLuminanceChart(int kind, int width, int height, const ChartSeries& series) {
    LuminanceLayout l;
    l.left = 30;
    l.right = width - 10;
    l.top = 20;
    l.bottom = height - 30;
    l.rows = kind == kChartRelativeLuminance ? 10 : 13;
    l.columnWidth = (l.right - l.left) / kLuminanceColumns;
    l.rowHeight = (l.bottom - l.top) / l.rows;
    l.xMin = 0.0;
    l.xMax = 255.0;
    l.yMin = 0.0;
    if (kind == kChartRelativeLuminance) {
        l.yMax = series.gamma.empty() ? 0.0 : series.gamma.back().lv;
    } else {
        l.yMax = 130.0;
    }
    if (!(l.xMax > l.xMin)) {
        l.xMin = 0.0;
        l.xMax = 1.0;
    }
    if (!(l.yMax > l.yMin)) {
        l.yMin = 0.0;
        l.yMax = 1.0;
    }
    return l;
}

XyPoint LuminanceMarkerPosition(const LuminanceLayout& l, double level, double lv) {
    const double plotWidth = kLuminanceColumns * l.columnWidth;
    const double plotHeight = l.rows * l.rowHeight;
    return {l.left + (level - l.xMin) / (l.xMax - l.xMin) * plotWidth - 2.0,
            l.top + plotHeight - (lv - l.yMin) / (l.yMax - l.yMin) * plotHeight - 2.0};
}

std::vector<std::string> LuminanceYLabels(int kind) {
    std::vector<std::string> labels;
    if (kind == kChartRelativeLuminance) {
        for (int k = 10; k >= 0; --k) {
            labels.push_back(Format("%1.1lf", k / 10.0));
        }
    } else {
        for (int k = 13; k >= 0; --k) {
            labels.push_back(Format("%3d", k * 130 / 13));
        }
    }
    return labels;
}

std::vector<std::string> LuminanceXLabels() {
    std::vector<std::string> labels;
    for (int k = 0; k <= kLuminanceColumns; k += 3) {
        labels.push_back(Format("%3d", k * 255 / kLuminanceColumns));
    }
    return labels;
}

std::vector<double> FittedCurveLevels(size_t count) {
    std::vector<double> levels = {0.0};
    for (size_t i = 1; i < count; ++i) {
        levels.push_back(std::ceil(static_cast<double>(i) * 25.5));
    }
    return levels;
}

XyPoint UvFromXy(const XyPoint& xy) {
    const double d = -2.0 * xy.x + 12.0 * xy.y + 3.0;
    if (d == 0.0) {
        return {0.0, 0.0};
    }
    return {4.0 * xy.x / d, 9.0 * xy.y / d};
}

std::vector<int> PlanckianChartKelvins() {
    std::vector<int> kelvins;
    int T = 1000;
    for (int k = 1; T < 25000; ++k) {
        kelvins.push_back(T / 10 * 10);
        T += 8 * k * k + 200;
    }
    return kelvins;
}

std::vector<XyPoint> PlanckianChartPoints() {
    std::vector<XyPoint> points;
    for (const int T : PlanckianChartKelvins()) {
        if (const PlanckianRecord* r = PlanckianRecordFor(T)) {
            points.push_back({r->x, r->y});
        }
    }
    return points;
}

std::array<XyPoint, 3> TargetTriangleXy(int colorSpace) {
    //                                    red           green           blue
    static const std::array<XyPoint, 3> kTriangles[kMeasureSpaceCount] = {
        {{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}}},    // Native
        {{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}}},    // BT.709
        {{{0.63, 0.34}, {0.31, 0.595}, {0.15, 0.07}}},   // SMPTE-C
        {{{0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}}},    // EBU
        {{{0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}}},    // NTSC
        {{{0.68, 0.32}, {0.265, 0.69}, {0.15, 0.06}}},   // D-Cinema
    };
    return kTriangles[colorSpace >= 0 && colorSpace < kMeasureSpaceCount ? colorSpace : 0];
}

std::array<int, 3> GamutColour(int colorSpace) {
    static const std::array<int, 3> kColours[kMeasureSpaceCount] = {
        {{90, 90, 90}},   // Native: grey, it has no target
        {{0, 70, 200}},   // BT.709
        {{200, 110, 0}},  // SMPTE-C
        {{0, 140, 60}},   // EBU
        {{170, 0, 140}},  // NTSC
        {{200, 0, 0}},    // D-Cinema
    };
    return kColours[colorSpace >= 0 && colorSpace < kMeasureSpaceCount ? colorSpace : 0];
}

double TargetCurveLv(double level, double whiteLv, double targetGamma) {
    return level <= 0.0 ? 0.0 : whiteLv * std::pow(level / 255.0, targetGamma);
}

std::array<XyPoint, 3> TargetTriangleUv(int colorSpace) {
    //                                      red                green              blue
    static const std::array<XyPoint, 3> kTriangles[kMeasureSpaceCount] = {
        {{{0.4507, 0.5229}, {0.125, 0.5625}, {0.1754, 0.1579}}},    // Native
        {{{0.4507, 0.5229}, {0.125, 0.5625}, {0.1754, 0.1579}}},    // BT.709
        {{{0.4329, 0.5257}, {0.1302, 0.5625}, {0.1694, 0.1779}}},   // SMPTE-C
        {{{0.4507, 0.5228}, {0.1205, 0.5613}, {0.1754, 0.1578}}},   // EBU
        {{{0.4768, 0.5284}, {0.0756, 0.5756}, {0.1521, 0.1956}}},   // NTSC
        {{{0.4963, 0.5255}, {0.0986, 0.5776}, {0.1754, 0.1578}}},   // D-Cinema
    };
    return kTriangles[colorSpace >= 0 && colorSpace < kMeasureSpaceCount ? colorSpace : 0];
}

namespace {

size_t LabelIndex(size_t index, bool colorPoints) {
    return !colorPoints && index < 9 ? index + 9 : index;
}

}  // namespace

const char* ChartPointLabel(size_t index, bool colorPoints, bool alternateWhites) {
    static const char* const kLabels[] = {"Black", "White", "White",  "Red",   "Green", "Blue",  "Yellow",
                                          "Magenta", "Cyan", "3200K", "5400K", "6500K", "9300K", "11000K"};
    const size_t label = LabelIndex(index, colorPoints);
    if (alternateWhites && label == 10) {
        return "6500K";
    }
    if (alternateWhites && label == 11) {
        return "JUDD-OFFSET";
    }
    return label < std::size(kLabels) ? kLabels[label] : nullptr;
}

int ChartPointLabelDrop(size_t index, bool colorPoints) {
    return LabelIndex(index, colorPoints) == 13 ? 5 : 0;
}

}  // namespace halvo

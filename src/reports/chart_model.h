#pragma once

// The chart's arithmetic, without drawing: what the Measure page's chart shows for a colour
// space, where each value lands on the picture, the Planckian points and target triangles of the
// chromaticity diagrams, the point labels, and the gamma fit over the upper grey levels of a run.
// The painter (the window's, and the report's pictures) draws from these and nothing else.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace halvo {

// The chart kinds, in the order of the page's chart selector.
enum ChartKind : int {
    kChartLuminance = 0,          // "Y intensity vs video level"
    kChartRelativeLuminance = 1,  // "Y/Ymax vs Video Level"
    kChartXy = 2,                 // "CIE chart(xy Plot)"
    kChartUv = 3,                 // "CIE chart(u'v' Plot)"
};
inline constexpr int kChartKindCount = 4;
extern const std::array<const char*, kChartKindCount> kChartKindNames;

// The colour spaces a verification measures, in the order of the page's boxes and list.
inline constexpr int kMeasureSpaceCount = 6;
extern const std::array<const char*, kMeasureSpaceCount> kMeasureSpaceNames;  // "Native" .. "D-Cinema"

struct ChartPoint {
    double level;  // video level 0..255
    double lv;     // cd/m2
};

struct XyPoint {
    double x;
    double y;
};

// What the chart holds for one colour space: the grey levels of the gamma run and the measured
// chromaticities, colour points first (Black, White, White, Red ... Cyan) when colours were
// measured, then the colour-temperature points.
struct ChartSeries {
    std::vector<ChartPoint> gamma;
    std::vector<XyPoint> chroma;
    bool colorPoints = false;
    bool temperaturePoints = false;

    void clear() { *this = ChartSeries(); }
};

// The most points a series keeps, as the chart's own arrays always have.
inline constexpr size_t kChartPointCapacity = 256;

using ChartData = std::array<ChartSeries, kMeasureSpaceCount>;

// One colour space on a diagram that shows several at once (the certificate's): its target and
// measured red-green-blue triangles and white points, in xy.
struct GamutOverlay {
    int colorSpace = 0;
    bool hasTarget = false;
    std::array<XyPoint, 3> target{};
    XyPoint targetWhite{};
    bool hasMeasured = false;
    std::array<XyPoint, 3> measured{};
    bool hasMeasuredWhite = false;
    XyPoint measuredWhite{};
};

// Everything a painter needs for one picture.
struct ChartScene {
    int kind = kChartLuminance;
    int colorSpace = 0;
    bool triangle = false;
    bool alternateWhites = false;
    ChartSeries series;
    // Chromaticity diagrams: drawn over the locus, after the series' points.
    std::vector<GamutOverlay> gamuts;
    // Luminance charts: when positive, the target curve (level / 255)^targetGamma scaled to the
    // luminance of the last point.
    double targetGamma = 0.0;
};

// The colour a colour space's overlay is drawn in, red, green, blue 0..255: distinct from each
// other and from the diagram's own fill at print size.
std::array<int, 3> GamutColour(int colorSpace);
// The target curve's luminance at a video level for a white of whiteLv.
double TargetCurveLv(double level, double whiteLv, double targetGamma);

struct ChartGammaFit {
    bool ok = false;
    double a = 1.0;  // y = a * level ^ g
    double g = 1.0;
};

// Fits y = a * level^g, weighted by luminance, over the points from index 5 on (video levels
// 128, 153, 179, 204, 230 and 255 of a full eleven-level run). Fewer than two such points: a = 1,
// g = 1 and not ok.
ChartGammaFit fitChartGamma(const std::vector<ChartPoint>& points);

// ---- Luminance charts (kinds 0 and 1) ----

struct LuminanceLayout {
    int left = 0;  // plot edges, pixels
    int right = 0;
    int top = 0;
    int bottom = 0;
    int columnWidth = 0;  // 15 columns
    int rowHeight = 0;    // `rows` rows
    int rows = 0;
    double xMin = 0.0;
    double xMax = 255.0;
    double yMin = 0.0;
    double yMax = 1.0;
};

inline constexpr int kLuminanceColumns = 15;

// The plot area inside a picture of width x height and the axis ranges: kind 0 thirteen rows up to
// 130 cd/m2, kind 1 ten rows up to the luminance of the last point (an empty range becomes 0..1).
LuminanceLayout LayoutLuminanceChart(int kind, int width, int height, const ChartSeries& series);
// Where a point's 4 x 4 marker starts (its top left corner).
XyPoint LuminanceMarkerPosition(const LuminanceLayout& layout, double level, double lv);
// Scale labels: y from top to bottom ("130" .. "0" or "1.0" .. "0.0"), x at columns 0, 3 ... 15.
std::vector<std::string> LuminanceYLabels(int kind);
std::vector<std::string> LuminanceXLabels();
// The fitted curve's levels: 0, then ceil(i * 25.5) for i = 1 .. count - 1.
std::vector<double> FittedCurveLevels(size_t count);

// ---- Chromaticity diagrams (kinds 2 and 3) ----

// A background picture's size and how chromaticity maps to its pixels:
// px = originX + a * scaleX, py = originY - b * scaleY.
struct DiagramMapping {
    int width;
    int height;
    double originX;
    double scaleX;
    double originY;
    double scaleY;

    XyPoint toPixel(double a, double b) const { return {originX + a * scaleX, originY - b * scaleY}; }
    XyPoint fromPixel(double px, double py) const { return {(px - originX) / scaleX, (originY - py) / scaleY}; }
};

// CIE 1931 xy, 482 x 531 pixels, and CIE 1976 u'v', 512 x 512 pixels.
extern const DiagramMapping kXyDiagram;
extern const DiagramMapping kUvDiagram;

// u', v' of a chromaticity x, y (0, 0 where the denominator vanishes).
XyPoint UvFromXy(const XyPoint& xy);

// The Planckian points the diagrams draw: twenty temperatures from 1000 K, growing by 8k^2 + 200
// after the k-th, each rounded down to ten kelvin and looked up in the Planckian table.
std::vector<int> PlanckianChartKelvins();
std::vector<XyPoint> PlanckianChartPoints();

// The target triangle of a colour space (0 Native .. 5 D-Cinema): red, green, blue vertices in
// xy or in u'v' as the diagrams draw them.
std::array<XyPoint, 3> TargetTriangleXy(int colorSpace);
std::array<XyPoint, 3> TargetTriangleUv(int colorSpace);

// The label of chromaticity point `index`: colour points first, or, without them, the
// colour-temperature labels from "3200K". Null for points without a label.
const char* ChartPointLabel(size_t index, bool colorPoints, bool alternateWhites);
// The 11000 K label is drawn lower so that it clears the 9300 K one.
int ChartPointLabelDrop(size_t index, bool colorPoints);

}  // namespace halvo

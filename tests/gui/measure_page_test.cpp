// The Measure tab over its model, a verification run from its buttons on the virtual clock, and
// the chart painter's pictures: where things land on them.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "gui/chart_painting.h"
#include "gui/chart_view.h"
#include "gui/cie_diagrams.h"
#include "gui/qt_chart_painter.h"
#include "gui_fixture.h"

namespace halvo::gui {
namespace {

using MeasureTab = test::WindowFixture;

TEST_F(MeasureTab, ShowsThePageAndRunsAVerificationFromItsButtons) {
    open(true);
    CHalvoDlg& station = app->station();
    auto* start = find<QPushButton>("measureStart");
    auto* results = find<QTableWidget>("measureResults");
    // Disconnected: nothing to start.
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(results->rowCount(), 14);
    EXPECT_EQ(results->item(0, 0)->text(), "Gamma");
    EXPECT_FALSE(find<QComboBox>("measureColorSpaceList")->isEnabled());

    station.onConnectClicked(true);
    clock.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 20000);
    station.onContinuouslyToggled(false);
    app->window().refresh();
    ASSERT_TRUE(start->isEnabled());
    // The simulated station's jig makes "Auto(JIG)" usable.
    EXPECT_TRUE(find<QCheckBox>("autoJig")->isEnabled());

    clickBox(find<QCheckBox>("measureColor"));
    clickBox(find<QCheckBox>("measureTemperature"));
    EXPECT_EQ(results->rowCount(), 1);
    QTest::mouseClick(start, Qt::LeftButton);
    clock.runFor(10);  // the posted command
    EXPECT_EQ(start->text(), "Stop");
    EXPECT_FALSE(find<QCheckBox>("measureGamma")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("saveReport")->isEnabled());
    ASSERT_TRUE(clock.runUntil([&] { return !station.measure().running; }, 600000));
    app->window().refresh();
    EXPECT_EQ(start->text(), "Measure");
    EXPECT_TRUE(results->item(0, 1)->text().startsWith(QString::fromUtf8("\u0433= ")));
    EXPECT_EQ(find<QLabel>("measureProgressText")->text(), "100%");
    EXPECT_TRUE(find<QPushButton>("saveReport")->isEnabled());

    station.onConnectClicked(false);
}

QColor PixelAt(const QImage& image, double x, double y) {
    return image.pixelColor(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

TEST(ChartPictures, TheDiagramsBackgroundsMatchTheirMappings) {
    const QImage& xy = XyDiagramBackground();
    ASSERT_EQ(xy.size(), QSize(482, 531));
    // Inside the horseshoe: near-white at D65, green near the green corner, red near the red one.
    const XyPoint white = kXyDiagram.toPixel(0.3127, 0.3290);
    const QColor w = PixelAt(xy, white.x, white.y);
    EXPECT_GT(std::min({w.red(), w.green(), w.blue()}), 190);
    const QColor g = PixelAt(xy, kXyDiagram.toPixel(0.2, 0.7).x, kXyDiagram.toPixel(0.2, 0.7).y);
    EXPECT_GT(g.green(), g.red() + 60);
    const QColor r = PixelAt(xy, kXyDiagram.toPixel(0.65, 0.32).x, kXyDiagram.toPixel(0.65, 0.32).y);
    EXPECT_GT(r.red(), r.green() + 60);
    // Outside it the paper is white.
    EXPECT_EQ(PixelAt(xy, kXyDiagram.toPixel(0.65, 0.65).x, kXyDiagram.toPixel(0.65, 0.65).y), QColor(Qt::white));
    const QImage& uv = UvDiagramBackground();
    ASSERT_EQ(uv.size(), QSize(512, 512));
    const XyPoint d65 = kUvDiagram.toPixel(0.1978, 0.4683);
    const QColor u = PixelAt(uv, d65.x, d65.y);
    EXPECT_GT(std::min({u.red(), u.green(), u.blue()}), 190);
    EXPECT_EQ(PixelAt(uv, kUvDiagram.toPixel(0.55, 0.25).x, kUvDiagram.toPixel(0.55, 0.25).y), QColor(Qt::white));
}

TEST(ChartPictures, PointsLandWhereTheModelPutsThem) {
    ChartScene scene;
    scene.kind = kChartXy;
    scene.series.chroma = {{0.64, 0.33}};
    scene.series.colorPoints = true;
    QImage image(kXyDiagram.width, kXyDiagram.height, QImage::Format_ARGB32);
    {
        QPainter p(&image);
        PaintChart(p, image.rect(), scene);
    }
    // The measured point is a dark dot on the red corner.
    const XyPoint red = kXyDiagram.toPixel(0.64, 0.33);
    EXPECT_LT(PixelAt(image, red.x + 1, red.y + 1).lightness(), 80);

    scene.kind = kChartLuminance;
    scene.series.gamma = {{0, 0.1}, {128, 50.0}};
    QImage lum(245, 245, QImage::Format_ARGB32);
    {
        QPainter p(&lum);
        PaintChart(p, lum.rect(), scene);
    }
    const LuminanceLayout l = LayoutLuminanceChart(kChartLuminance, 245, 245, scene.series);
    const XyPoint m = LuminanceMarkerPosition(l, 128, 50.0);
    const QColor marker = PixelAt(lum, m.x, m.y + 2);  // the ring's left edge
    EXPECT_GT(marker.green(), marker.red() + 40);
    EXPECT_EQ(PixelAt(lum, 2, 240), QColor(Qt::white));
}

// Pixels of the gamma text's green (0, 150, 0) in the rows fromY..toY of the columns where the
// text is written (the 100 pixels left of the plot's right edge), clear of the curve's low part.
int GreenTextPixels(const QImage& image, int fromY, int toY, int plotRight) {
    int n = 0;
    for (int y = std::max(fromY, 0); y < std::min(toY, image.height()); ++y) {
        for (int x = plotRight - 100; x < std::min(plotRight + 5, image.width()); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.green() > 100 && c.red() < 90 && c.blue() < 90 ? 1 : 0;
        }
    }
    return n;
}

TEST(ChartPictures, TheGammaTextGoesBelowThePlotWhereThereIsRoomAndStaysInsideWhereNot) {
    struct : CommandSink {
        void postOperatorCommand(int, int) override {}
    } sink;
    CMeasure page(sink);
    ChartSeries& series = page.chart[0];
    for (int i = 0; i <= 10; ++i) {
        const double level = std::ceil(i * 25.5);
        series.gamma.push_back({level, 100.0 * std::pow(level / 255.0, 2.2)});
    }
    ASSERT_TRUE(fitChartGamma(series.gamma).ok);
    const LuminanceLayout l = LayoutLuminanceChart(kChartLuminance, 245, 245, series);
    const int plotBottom = l.top + l.rows * l.rowHeight;
    const int plotRight = l.left + kLuminanceColumns * l.columnWidth;

    // The window's chart: its square in the middle of a taller widget, with room below it.
    ChartView view(page);
    view.resize(245, 345);
    const QImage shown = view.grab().toImage();
    const int top = (345 - 245) / 2;
    const int below = top + plotBottom + 40;
    EXPECT_GT(GreenTextPixels(shown, below, below + 18, plotRight), 20) << "40 below the plot";
    EXPECT_EQ(GreenTextPixels(shown, top + plotBottom - 22, top + plotBottom, plotRight), 0);

    // The report's picture is the chart alone: the text stays inside, just above the plot's bottom.
    QtChartPainter painter;
    const std::optional<std::string> png = painter.renderPng(page.chartScene(), 245, 245);
    ASSERT_TRUE(png.has_value());
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(reinterpret_cast<const uchar*>(png->data()), static_cast<int>(png->size()), "PNG"));
    EXPECT_GT(GreenTextPixels(picture, plotBottom - 22, plotBottom - 4, plotRight), 20);
    EXPECT_EQ(GreenTextPixels(picture, plotBottom + 2, 245, plotRight), 0);
}

TEST(ChartPictures, ThePainterHandsOverAPngInMemory) {
    QtChartPainter painter;
    ChartScene scene;
    scene.kind = kChartUv;
    scene.triangle = true;
    scene.colorSpace = 4;
    const std::optional<std::string> png = painter.renderPng(scene, 245, 245);
    ASSERT_TRUE(png.has_value());
    ASSERT_GT(png->size(), 8u);
    EXPECT_EQ(png->substr(1, 3), "PNG");
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(reinterpret_cast<const uchar*>(png->data()), static_cast<int>(png->size()), "PNG"));
    EXPECT_EQ(decoded.size(), QSize(245, 245));
    EXPECT_FALSE(painter.renderPng(scene, 0, 245).has_value());
}

}  // namespace
}  // namespace halvo::gui

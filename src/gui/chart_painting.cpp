#include "gui/chart_painting.h"

#include <QFont>
#include <QImage>
#include <QPainterPath>

#include <cmath>
#include <functional>

#include "gui/cie_diagrams.h"
#include "reports/result_texts.h"

namespace halvo::gui {

namespace {

// A smooth curve through the points: a cardinal spline of the given tension, as Bezier pieces
// whose control points lie tension / 3 of the neighbours' chord away from each point.
QPainterPath CardinalPath(const QVector<QPointF>& pts, double tension) {
    QPainterPath path;
    if (pts.isEmpty()) {
        return path;
    }
    path.moveTo(pts.front());
    const int n = static_cast<int>(pts.size());
    for (int i = 0; i + 1 < n; ++i) {
        const QPointF& p0 = pts[std::max(i - 1, 0)];
        const QPointF& p1 = pts[i];
        const QPointF& p2 = pts[i + 1];
        const QPointF& p3 = pts[std::min(i + 2, n - 1)];
        path.cubicTo(p1 + (p2 - p0) * (tension / 3.0), p2 - (p3 - p1) * (tension / 3.0), p2);
    }
    return path;
}

QFont Verdana(double pointSize, int pixelSize = 0) {
    QFont f("Verdana");
    f.setStyleHint(QFont::SansSerif);
    if (pixelSize > 0) {
        f.setPixelSize(pixelSize);
    } else {
        f.setPointSizeF(pointSize);
    }
    return f;
}

// The target gamma as a dashed curve under the measured points.
void PaintTargetCurve(QPainter& p, const LuminanceLayout& l, double whiteLv, double targetGamma) {
    QVector<QPointF> curve;
    for (int level = 0; level <= 255; level += 5) {
        const XyPoint m = LuminanceMarkerPosition(l, level, TargetCurveLv(level, whiteLv, targetGamma));
        curve << QPointF(m.x + 2.0, m.y + 2.0);
    }
    QPen pen(QColor(60, 60, 60, 220), 1.2);
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(curve);
}

// Each colour space's target triangle (thin, dashed) and measured triangle (solid) in its own
// colour, the target white as a ring and the measured white as a cross.
void PaintGamuts(QPainter& q, const std::vector<GamutOverlay>& gamuts, const std::function<QPointF(const XyPoint&)>& pixel) {
    for (const GamutOverlay& g : gamuts) {
        const std::array<int, 3> rgb = GamutColour(g.colorSpace);
        const QColor colour(rgb[0], rgb[1], rgb[2]);
        q.setBrush(Qt::NoBrush);
        if (g.hasTarget) {
            QPolygonF t;
            for (const XyPoint& v : g.target) {
                t << pixel(v);
            }
            QPen pen(colour, 1.8);
            pen.setStyle(Qt::DashLine);
            q.setPen(pen);
            q.drawPolygon(t);
            q.setPen(QPen(colour, 1.5));
            q.drawEllipse(pixel(g.targetWhite), 5.0, 5.0);
        }
        if (g.hasMeasured) {
            QPolygonF m;
            for (const XyPoint& v : g.measured) {
                m << pixel(v);
            }
            q.setPen(QPen(colour, 2.6));
            q.drawPolygon(m);
            q.setPen(Qt::NoPen);
            q.setBrush(colour);
            for (const QPointF& v : m) {
                q.drawEllipse(v, 2.5, 2.5);
            }
            q.setBrush(Qt::NoBrush);
        }
        if (g.hasMeasuredWhite) {
            const QPointF w = pixel(g.measuredWhite);
            q.setPen(QPen(colour, 2.0));
            q.drawLine(w + QPointF(-4, -4), w + QPointF(4, 4));
            q.drawLine(w + QPointF(-4, 4), w + QPointF(4, -4));
        }
    }
}

// Where the fitted gamma is written: 100 pixels in from the plot's right edge and 40 below the
// plot, which is below the chart's own picture; it goes there when the surface painted on has
// room below the picture (the window's chart, taller than wide). A picture of its own size (the
// report's) has no such room: there it is kept inside, low on the right of the plot, where a
// rising curve leaves it empty.
QRect GammaLabelRect(const QRect& area, const QRect& room, int plotRight, int plotBottom) {
    const QRect below(plotRight - 100, plotBottom + 40, 96, 18);
    if (room.contains(below.translated(area.topLeft()))) {
        return below;
    }
    return QRect(plotRight - 100, plotBottom - 22, 96, 18);
}

void PaintLuminance(QPainter& p, const QRect& area, const QRect& room, const ChartScene& scene) {
    p.save();
    p.translate(area.topLeft());
    const int w = area.width();
    const int h = area.height();
    p.fillRect(QRect(0, 0, w, h), Qt::white);
    const ChartSeries& s = scene.series;
    const LuminanceLayout l = LayoutLuminanceChart(scene.kind, w, h, s);
    const int plotRight = l.left + kLuminanceColumns * l.columnWidth;
    const int plotBottom = l.top + l.rows * l.rowHeight;

    p.setPen(Qt::black);
    p.setFont(Verdana(0, 15));
    p.drawText(QRect(5, 0, 100, 20), Qt::AlignLeft | Qt::AlignTop,
               scene.kind == kChartRelativeLuminance ? "Y/Ymax" : "Lv");
    p.drawText(QRect(w / 2 - 50, h - 20, 150, 20), Qt::AlignLeft | Qt::AlignTop, "Video Level");

    p.setPen(QPen(QColor(100, 100, 100), 1));
    for (int i = 0; i <= l.rows; ++i) {
        p.drawLine(l.left, l.top + i * l.rowHeight, plotRight, l.top + i * l.rowHeight);
    }
    for (int j = 0; j <= kLuminanceColumns; ++j) {
        p.drawLine(l.left + j * l.columnWidth, l.top, l.left + j * l.columnWidth, plotBottom);
    }

    p.setPen(Qt::black);
    p.setFont(Verdana(8.5));
    const std::vector<std::string> yLabels = LuminanceYLabels(scene.kind);
    for (size_t i = 0; i < yLabels.size(); ++i) {
        const int y = l.top + static_cast<int>(i) * l.rowHeight;
        p.drawText(QRect(0, y - 8, l.left - 3, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(yLabels[i]).trimmed());
    }
    const std::vector<std::string> xLabels = LuminanceXLabels();
    for (size_t i = 0; i < xLabels.size(); ++i) {
        const int x = l.left + static_cast<int>(i) * 3 * l.columnWidth;
        p.drawText(QRect(x - 20, plotBottom + 2, 40, 14), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromStdString(xLabels[i]).trimmed());
    }

    p.setRenderHint(QPainter::Antialiasing);
    const ChartGammaFit fit = fitChartGamma(s.gamma);
    if (fit.ok) {
        p.setPen(QColor(0, 150, 0));
        p.drawText(GammaLabelRect(area, room, plotRight, plotBottom), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(FormatGammaResult(fit.g)));
    }
    // Readings above the scale (a white brighter than 130 cd/m2) end at the plot's edge.
    p.setClipRect(QRect(l.left - 3, l.top - 3, plotRight - l.left + 6, plotBottom - l.top + 6), Qt::IntersectClip);
    if (fit.ok) {
        QVector<QPointF> curve;
        for (const double level : FittedCurveLevels(s.gamma.size())) {
            const XyPoint m = LuminanceMarkerPosition(l, level, fit.a * std::pow(level, fit.g));
            curve << QPointF(m.x + 2.0, m.y + 2.0);
        }
        p.setPen(QPen(QColor(0, 150, 0, 230), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(CardinalPath(curve, 0.5));
    }
    if (scene.targetGamma > 0.0 && !s.gamma.empty()) {
        PaintTargetCurve(p, l, s.gamma.back().lv, scene.targetGamma);
    }
    p.setPen(QPen(QColor(0, 150, 0, 150), 2));
    p.setBrush(Qt::NoBrush);
    for (const ChartPoint& pt : s.gamma) {
        const XyPoint m = LuminanceMarkerPosition(l, pt.level, pt.lv);
        p.drawEllipse(QRectF(m.x, m.y, 4, 4));
    }
    p.restore();
}

void PaintChromaticity(QPainter& p, const QRect& area, const ChartScene& scene) {
    const bool uv = scene.kind == kChartUv;
    const DiagramMapping& m = uv ? kUvDiagram : kXyDiagram;
    QImage picture = (uv ? UvDiagramBackground() : XyDiagramBackground()).copy();
    {
        QPainter q(&picture);
        q.setRenderHint(QPainter::Antialiasing);
        const auto pixel = [&](const XyPoint& xy) {
            const XyPoint c = uv ? UvFromXy(xy) : xy;
            const XyPoint px = m.toPixel(c.x, c.y);
            return QPointF(px.x, px.y);
        };

        QVector<QPointF> locus;
        for (const XyPoint& xy : PlanckianChartPoints()) {
            locus << pixel(xy);
        }
        // A tiny ellipse stroked with a wide pen is a dot; Qt's stroker would leave it hollow, so
        // the dots are filled discs of the pen's reach.
        q.setPen(Qt::NoPen);
        q.setBrush(Qt::black);
        for (const QPointF& pt : locus) {
            q.drawEllipse(QPointF(pt.x() + 0.5, pt.y() + 0.5), 2.0, 2.0);
        }
        q.setBrush(Qt::NoBrush);
        const QPainterPath curve = CardinalPath(locus, 1.0);
        q.setPen(QPen(QColor(0, 0, 0, 80), 5));
        q.drawPath(curve);
        q.setPen(QPen(QColor(255, 255, 255, 200), 5));
        q.drawPath(curve);

        if (scene.triangle) {
            const std::array<XyPoint, 3> t = uv ? TargetTriangleUv(scene.colorSpace) : TargetTriangleXy(scene.colorSpace);
            QPolygonF triangle;
            for (const XyPoint& v : t) {
                const XyPoint px = m.toPixel(v.x, v.y);
                triangle << QPointF(px.x, px.y);
            }
            q.setPen(QPen(QColor(100, 100, 100, 150), uv ? 3 : 2));
            q.drawPolygon(triangle);
        }

        QFont font("Arial");
        font.setStyleHint(QFont::SansSerif);
        font.setPointSize(10);
        q.setFont(font);
        const ChartSeries& s = scene.series;
        for (size_t i = 0; i < s.chroma.size(); ++i) {
            const XyPoint& xy = s.chroma[i];
            if (!(xy.x > 0.0) || !(xy.y > 0.0)) {
                continue;  // a point the run did not reach
            }
            const QPointF at = pixel(xy);
            q.setPen(Qt::NoPen);
            q.setBrush(QColor(0, 0, 0, 200));
            q.drawEllipse(QPointF(at.x() + 1.0, at.y() + 1.0), 3.5, 3.5);
            q.setBrush(Qt::NoBrush);
            if (const char* label = ChartPointLabel(i, s.colorPoints, scene.alternateWhites)) {
                q.setPen(QColor(0, 0, 0, 230));
                const double drop = ChartPointLabelDrop(i, s.colorPoints);
                q.drawText(QPointF(at.x() + 8, at.y() + 6 + drop + q.fontMetrics().ascent() / 2.0), label);
            }
        }
        PaintGamuts(q, scene.gamuts, pixel);
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(area, picture);
    p.restore();
}

}  // namespace

void PaintChart(QPainter& painter, const QRect& area, const ChartScene& scene, const QRect& room) {
    if (scene.kind == kChartXy || scene.kind == kChartUv) {
        PaintChromaticity(painter, area, scene);
    } else {
        PaintLuminance(painter, area, room.isNull() ? area : room, scene);
    }
}

}  // namespace halvo::gui

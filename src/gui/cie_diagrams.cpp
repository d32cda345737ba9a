#include "gui/cie_diagrams.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "colorimetry/locus_tables.h"
#include "reports/chart_model.h"

namespace halvo::gui {

namespace {

// x, y of a point of the diagram's own coordinates (u'v' for the 1976 diagram).
XyPoint ToXy(bool uv, double a, double b) {
    if (!uv) {
        return {a, b};
    }
    const double d = 6.0 * a - 16.0 * b + 12.0;
    return d == 0.0 ? XyPoint{0.0, 0.0} : XyPoint{9.0 * a / d, 4.0 * b / d};
}

// An approximate display colour of a chromaticity: the sRGB (IEC 61966-2-1) colour of full
// luminance with negative channels clipped, scaled to its brightest channel and lightened a
// little, as printed diagrams show it.
QRgb DiagramColour(double x, double y) {
    if (y <= 1e-6) {
        return qRgb(0, 0, 0);
    }
    const double X = x / y;
    const double Z = (1.0 - x - y) / y;
    double rgb[3] = {3.2406 * X - 1.5372 - 0.4986 * Z, -0.9689 * X + 1.8758 + 0.0415 * Z,
                     0.0557 * X - 0.2040 + 1.0570 * Z};
    for (double& c : rgb) {
        c = std::max(0.0, c);
    }
    const double top = std::max({rgb[0], rgb[1], rgb[2], 1e-9});
    int out[3];
    for (int i = 0; i < 3; ++i) {
        double c = rgb[i] / top;
        c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
        c = 0.85 * c + 0.15;
        out[i] = static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
    }
    return qRgb(out[0], out[1], out[2]);
}

QPointF Pixel(const DiagramMapping& m, double a, double b) {
    const XyPoint p = m.toPixel(a, b);
    return {p.x, p.y};
}

QImage Render(const DiagramMapping& m, bool uv) {
    QImage image(m.width, m.height, QImage::Format_ARGB32);
    image.fill(Qt::white);

    // The spectral locus in the diagram's coordinates, closed by the purple line.
    QPolygonF locus;
    for (const LocusKnot& k : kSpectralLocus) {
        const XyPoint p = uv ? UvFromXy({k.x, k.y}) : XyPoint{k.x, k.y};
        locus << Pixel(m, p.x, p.y);
    }
    QPainterPath horseshoe;
    horseshoe.addPolygon(locus);
    horseshoe.closeSubpath();

    QImage colours(m.width, m.height, QImage::Format_ARGB32);
    for (int py = 0; py < m.height; ++py) {
        QRgb* line = reinterpret_cast<QRgb*>(colours.scanLine(py));
        for (int px = 0; px < m.width; ++px) {
            const XyPoint d = m.fromPixel(px + 0.5, py + 0.5);
            const XyPoint xy = ToXy(uv, d.x, d.y);
            line[px] = DiagramColour(xy.x, xy.y);
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double top = uv ? 0.6 : 0.9;
    const double right = uv ? 0.6 : 0.8;
    // Grid every 0.1, axes along 0.
    p.setPen(QPen(QColor(225, 225, 225), 1.0));
    for (int i = 1; i * 0.1 <= right + 1e-9; ++i) {
        p.drawLine(Pixel(m, i * 0.1, 0.0), Pixel(m, i * 0.1, top));
    }
    for (int i = 1; i * 0.1 <= top + 1e-9; ++i) {
        p.drawLine(Pixel(m, 0.0, i * 0.1), Pixel(m, right, i * 0.1));
    }
    p.setClipPath(horseshoe);
    p.drawImage(0, 0, colours);
    p.setClipping(false);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(horseshoe);

    p.setPen(QPen(Qt::black, 1.0));
    p.drawLine(Pixel(m, 0.0, 0.0), Pixel(m, right, 0.0));
    p.drawLine(Pixel(m, 0.0, 0.0), Pixel(m, 0.0, top));
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    p.setFont(font);
    for (int i = 0; i * 0.1 <= right + 1e-9; ++i) {
        const QPointF at = Pixel(m, i * 0.1, 0.0);
        p.drawLine(at, at + QPointF(0, 4));
        p.drawText(QRectF(at.x() - 15, at.y() + 5, 30, 16), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(i * 0.1, 'f', 1));
    }
    for (int i = 0; i * 0.1 <= top + 1e-9; ++i) {
        const QPointF at = Pixel(m, 0.0, i * 0.1);
        p.drawLine(at, at - QPointF(4, 0));
        p.drawText(QRectF(at.x() - 36, at.y() - 8, 30, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(i * 0.1, 'f', 1));
    }
    font.setPixelSize(15);
    font.setItalic(true);
    p.setFont(font);
    const QPointF xAxisEnd = Pixel(m, right, 0.0);
    const QPointF yAxisEnd = Pixel(m, 0.0, top);
    p.drawText(QRectF(xAxisEnd.x() - 40, xAxisEnd.y() - 22, 36, 18), Qt::AlignRight | Qt::AlignVCenter,
               uv ? "u'" : "x");
    p.drawText(QRectF(yAxisEnd.x() + 6, yAxisEnd.y(), 36, 18), Qt::AlignLeft | Qt::AlignVCenter, uv ? "v'" : "y");
    return image;
}

}  // namespace

const QImage& XyDiagramBackground() {
    static const QImage image = Render(kXyDiagram, false);
    return image;
}

const QImage& UvDiagramBackground() {
    static const QImage image = Render(kUvDiagram, true);
    return image;
}

}  // namespace halvo::gui

#include "gui/qt_certificate_writer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>

#include "common/file_io.h"
#include "common/text_format.h"
#include "gui/certificate_page.h"
#include "gui/chart_painting.h"

namespace halvo::gui {

namespace {

using certificate::Column;
using certificate::Label;
using certificate::Row;
using certificate::Section;
using certificate::Text;

// A4 at 96 units per inch, with 15 mm margins left and right.
constexpr double kPageWidth = 793.7;
constexpr double kPageHeight = 1122.5;
constexpr double kLeft = 57.0;
constexpr double kWidth = kPageWidth - 2 * kLeft;
constexpr double kTop = 40.0;
constexpr double kFooter = kPageHeight - 34.0;
constexpr double kRowHeight = 13.5;

QColor VerdictColour(CertificateVerdict v) {
    switch (v) {
        case CertificateVerdict::Pass: return QColor(0, 125, 60);
        case CertificateVerdict::Fail: return QColor(185, 0, 0);
        case CertificateVerdict::NotVerified: break;
    }
    return QColor(110, 110, 110);
}

QString Fixed(double value, int decimals, const char* unit = "") {
    return QString::number(value, 'f', decimals) + QString::fromUtf8(unit);
}

QString OrDash(const std::string& s) { return s.empty() ? QStringLiteral("\u2014") : Text(s); }

// The banner across the top: the verdict in large letters, what it rests on beside it.
double Banner(QPainter& p, const Certificate& c) {
    const QRectF band(kLeft, kTop, kWidth, 66);
    p.fillRect(band, VerdictColour(c.verdict));
    Label(p, QRectF(kLeft + 14, kTop, 230, 66), c.verdictText(), c.verdict == CertificateVerdict::NotVerified ? 20 : 30,
          true, Qt::AlignLeft | Qt::AlignVCenter, Qt::white);
    const double x = kLeft + 250;
    Label(p, QRectF(x, kTop + 8, kWidth - 260, 18), "Calibration certificate", 13, true, Qt::AlignLeft, Qt::white);
    Label(p, QRectF(x, kTop + 28, kWidth - 260, 14), Text(c.verdictDetail()), 9, false, Qt::AlignLeft, Qt::white);
    QString before;
    if (c.verdict == CertificateVerdict::Fail) {
        // What failed, as far as the line goes; page two lists every item.
        QString failed = "Out of range: ";
        int shown = 0;
        for (const CertificateItem& it : c.items) {
            if (it.verdict != Verdict::OutOfRange) {
                continue;
            }
            const QString name = Text(TrimBlanks(it.test + " " + it.item + " " + it.quantity));
            if (shown == 3) {
                failed += Text(Format(" and %d more (page 2)", c.outOfRange - shown));
                break;
            }
            failed += (shown > 0 ? ", " : "") + name;
            ++shown;
        }
        before = failed;
    } else if (c.hasBefore) {
        before = Text(Format("Before calibration: %d of %d measured items out of range.", c.outOfRangeBefore,
                             c.measuredBefore));
    } else {
        before = Text(c.model + "  \u00B7  " + c.calibrationId);
    }
    Label(p, QRectF(x, kTop + 44, kWidth - 260, 14), before, 9, false, Qt::AlignLeft, Qt::white);
    return kTop + 66 + 12;
}

// Model, firmware, serial number and ID on the left; when, where, by whom and with what on the
// right.
double Identification(QPainter& p, const Certificate& c, double y) {
    std::string instrument = c.instrument;
    const std::vector<std::pair<const char*, QString>> left = {
        {"Monitor model", OrDash(c.model)},
        {"Firmware", OrDash(c.firmware)},
        {"Serial number", OrDash(c.serialNumber)},
        {"Calibration ID", OrDash(c.calibrationId)},
        {"Tested By", OrDash(c.testedBy)},
    };
    const std::vector<std::pair<const char*, QString>> right = {
        {"Date", OrDash(c.date)},
        {"Station", OrDash(c.stationName)},
        {"Instrument", OrDash(c.instrument)},
        {"Instrument serial", c.instrumentSerial.empty() ? QStringLiteral("not reported") : Text(c.instrumentSerial)},
        {"Matrix", c.matrix.empty() ? QStringLiteral("none (factory calibration)") : Text(c.matrix)},
    };
    const double half = kWidth / 2;
    for (size_t i = 0; i < left.size(); ++i) {
        const double ry = y + static_cast<double>(i) * 14;
        Label(p, QRectF(kLeft, ry, 95, 14), left[i].first, 8, true);
        Label(p, QRectF(kLeft + 95, ry, half - 100, 14), left[i].second, 8);
        Label(p, QRectF(kLeft + half, ry, 110, 14), right[i].first, 8, true);
        Label(p, QRectF(kLeft + half + 110, ry, half - 110, 14), right[i].second, 8);
    }
    return y + static_cast<double>(left.size()) * 14 + 10;
}

void PaintChartAt(QPainter& p, const QRectF& box, const ChartScene& scene) {
    p.save();
    p.translate(box.topLeft());
    PaintChart(p, QRect(0, 0, static_cast<int>(box.width()), static_cast<int>(box.height())), scene);
    p.restore();
    p.setPen(QPen(QColor(160, 160, 160), 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
}

double Charts(QPainter& p, const Certificate& c, double y) {
    const double half = (kWidth - 20) / 2;
    const double right = kLeft + half + 20;
    Section(p, kLeft, y, half, "Gamut and white points (CIE 1976 u\u2032v\u2032)");
    const double top = Section(p, right, y, half, Text(Format("Gamma, %s", kMeasureSpaceNames[static_cast<size_t>(c.gammaSpace)])));
    const double side = half;
    PaintChartAt(p, QRectF(kLeft, top, side, side), c.diagram);

    // The legend: each colour space in its colour, with what the lines mean.
    double ly = top + side + 4;
    const double legendColumn = half / 3;
    for (size_t i = 0; i < c.diagram.gamuts.size(); ++i) {
        const GamutOverlay& g = c.diagram.gamuts[i];
        const std::array<int, 3> rgb = GamutColour(g.colorSpace);
        const double lx = kLeft + static_cast<double>(i % 3) * legendColumn;
        const double row = ly + static_cast<double>(i / 3) * 12;
        p.fillRect(QRectF(lx, row + 3, 14, 7), QColor(rgb[0], rgb[1], rgb[2]));
        Label(p, QRectF(lx + 18, row, legendColumn - 18, 12), kMeasureSpaceNames[static_cast<size_t>(g.colorSpace)],
              7.5);
    }
    ly += static_cast<double>((c.diagram.gamuts.size() + 2) / 3) * 12;
    Label(p, QRectF(kLeft, ly, half, 12), "solid: measured   dashed: target   \u00D7 measured white   \u25CB target white", 7);

    const QRectF gammaBox(right, top, half, half * 0.78);
    PaintChartAt(p, gammaBox, c.gamma);
    double gy = gammaBox.bottom() + 4;
    const QString measured = c.gammaValue > 0.0 ? Fixed(c.gammaValue, 2) : QStringLiteral("not measured");
    Label(p, QRectF(right, gy, half, 13),
          Text("Measured \u03B3 ") + measured + Text(Format("   target %.2f \u00B1 0.03", c.gammaTarget)), 8, true);
    gy += 13;
    Label(p, QRectF(right, gy, half, 12), "\u25CB measured levels   \u2014 fitted curve   - - - target curve", 7);
    return std::max(ly + 16, gy + 16);
}

double WhitePoints(QPainter& p, const Certificate& c, double x, double y, double width) {
    y = Section(p, x, y, width, "White points (target, then measured)");
    const std::vector<Column> cols = {{"Preset", 78},
                                      {"Target u\u2032", 56, Qt::AlignRight},
                                      {"Target v\u2032", 56, Qt::AlignRight},
                                      {"u\u2032", 48, Qt::AlignRight},
                                      {"v\u2032", 48, Qt::AlignRight},
                                      {"\u0394u\u2032v\u2032", 50, Qt::AlignRight},
                                      {"CCT K", 44, Qt::AlignRight},
                                      {"Lv cd/m\u00B2", width - 380, Qt::AlignRight}};
    Row(p, x, y, kRowHeight, cols, {}, true, false);
    y += kRowHeight;
    bool band = false;
    for (const WhitePointRow& w : c.whitePoints) {
        std::vector<QString> cells = {Text(w.preset), Fixed(w.targetU, 4), Fixed(w.targetV, 4)};
        if (w.measured) {
            cells.insert(cells.end(), {Fixed(w.u, 4), Fixed(w.v, 4), Fixed(w.deltaUv, 4),
                                       Text(Format("%d", w.cct)), Fixed(w.lv, 2)});
        } else {
            cells.insert(cells.end(), {"N/A", "", "", "", ""});
        }
        Row(p, x, y, kRowHeight, cols, cells, false, band);
        band = !band;
        y += kRowHeight;
    }
    return y + 10;
}

double UniformityMap(QPainter& p, const Certificate& c, double x, double y, double width) {
    y = Section(p, x, y, width, "Uniformity");
    const double cw = width / 3;
    const double ch = 30;
    for (const UniformityPlace& u : c.uniformity) {
        const QRectF cell(x + u.col * cw, y + u.row * ch, cw, ch);
        p.fillRect(cell, u.measured ? QColor(238, 244, 250) : QColor(248, 248, 248));
        p.setPen(QPen(QColor(160, 160, 160), 0.6));
        p.drawRect(cell);
        if (u.measured) {
            Label(p, QRectF(cell.x(), cell.y() + 2, cw, 13), Fixed(u.lv, 2, " cd/m\u00B2"), 7.5, false, Qt::AlignHCenter);
            Label(p, QRectF(cell.x(), cell.y() + 15, cw, 13), Fixed(u.percentOfCentre, 1, " %"), 7.5, true,
                  Qt::AlignHCenter);
        }
    }
    if (!(c.uniformityPercent > 0.0)) {
        Label(p, QRectF(x, y, width, 3 * ch), "not measured", 8, false, Qt::AlignCenter, QColor(110, 110, 110));
    }
    y += 3 * ch + 4;
    const QString total = c.uniformityPercent > 0.0 ? Fixed(c.uniformityPercent, 2, " %") : QStringLiteral("N/A");
    const bool failed = UniformityVerdict(c.uniformityPercent) == Verdict::OutOfRange;
    Label(p, QRectF(x, y, width, 13), "Non-uniformity " + total + Text("  (\u2264 10%)"), 8, true,
          Qt::AlignLeft | Qt::AlignVCenter, failed ? QColor(185, 0, 0) : QColor(Qt::black));
    Label(p, QRectF(x, y + 13, width, 12), "Each place: luminance and % of the centre", 7);
    return y + 32;
}

double DeltaE(QPainter& p, const Certificate& c, double y) {
    y = Section(p, kLeft, y, kWidth, "Colour difference CIEDE2000 (CIELAB against the target white)");
    const std::vector<Column> cols = {{"Colour space", 110},
                                      {"Patches", 60, Qt::AlignRight},
                                      {"Mean \u0394E00", 80, Qt::AlignRight},
                                      {"Max \u0394E00", 80, Qt::AlignRight},
                                      {"Largest at", 140},
                                      {"Measured white (cd/m\u00B2)", kWidth - 470, Qt::AlignRight}};
    Row(p, kLeft, y, kRowHeight, cols, {}, true, false);
    y += kRowHeight;
    bool band = false;
    for (const ColorSpacePatches& s : c.patches) {
        std::vector<QString> cells = {kMeasureSpaceNames[static_cast<size_t>(s.colorSpace)],
                                      QString::number(s.patches.size())};
        if (s.meanDeltaE2000 >= 0.0) {
            const VerifiedPatch* worst = &s.patches.front();
            for (const VerifiedPatch& v : s.patches) {
                worst = v.deltaE2000 > worst->deltaE2000 ? &v : worst;
            }
            cells.insert(cells.end(), {Fixed(s.meanDeltaE2000, 2), Fixed(s.maxDeltaE2000, 2),
                                       Text(worst->name)});
        } else {
            cells.insert(cells.end(), {"no target", "", ""});
        }
        cells.push_back(Fixed(s.measuredWhite.Y, 2));
        Row(p, kLeft, y, kRowHeight, cols, cells, false, band);
        band = !band;
        y += kRowHeight;
    }
    Label(p, QRectF(kLeft, y + 2, kWidth, 12),
          "Patches: the grey levels 0..100 %, black, white, the primaries and the secondaries. The readings are "
          "scaled to the target white's luminance;",
          7);
    Label(p, QRectF(kLeft, y + 13, kWidth, 12),
          "the greys' targets follow the target gamma. Shown for information: no pass criterion rests on these "
          "figures.",
          7);
    return y + 34;
}

QString VerdictCell(const std::string& value, Verdict v) {
    if (v == Verdict::NotMeasured) {
        return "N/A";
    }
    return (v == Verdict::OutOfRange ? "!" : "") + Text(value + " " + VerdictText(v));
}

// The judged items: one row each, the earlier run beside when there was one. Returns the index
// of the first item that did not fit.
size_t Items(QPainter& p, const Certificate& c, size_t first, double y) {
    y = Section(p, kLeft, y, kWidth, first == 0 ? "Verification items" : "Verification items (continued)");
    std::vector<Column> cols = {{"Test", 110}, {"Item", 78}, {"Quantity", 74}, {"Limit", 164}};
    if (c.hasBefore) {
        cols.push_back({"Before calibration", 120, Qt::AlignRight});
    }
    cols.push_back({c.hasBefore ? "After calibration" : "Result", c.hasBefore ? 124.0 : 160.0, Qt::AlignRight});
    Row(p, kLeft, y, kRowHeight, cols, {}, true, false);
    y += kRowHeight;
    bool band = false;
    size_t i = first;
    for (; i < c.items.size() && y + kRowHeight <= kFooter - 6; ++i) {
        const CertificateItem& it = c.items[i];
        // A test's name heads its group of rows, and a page's first row.
        const bool heads = i == first || c.items[i - 1].test != it.test;
        std::vector<QString> cells = {heads ? Text(it.test) : QString(), Text(it.item), Text(it.quantity),
                                      Text(it.criterion)};
        if (c.hasBefore) {
            cells.push_back(it.inBefore ? VerdictCell(it.before, it.beforeVerdict) : QStringLiteral("\u2014"));
        }
        cells.push_back(VerdictCell(it.value, it.verdict));
        Row(p, kLeft, y, kRowHeight, cols, cells, false, band);
        band = !band;
        y += kRowHeight;
    }
    return i;
}

void Footer(QPainter& p, const Certificate& c, int page, int pages) {
    p.setPen(QPen(QColor(160, 160, 160), 0.6));
    p.drawLine(QPointF(kLeft, kFooter), QPointF(kLeft + kWidth, kFooter));
    Label(p, QRectF(kLeft, kFooter + 3, kWidth, 12),
          Text(Format("%s  \u00B7  %s  \u00B7  %s", c.software.c_str(), c.calibrationId.c_str(), c.date.c_str())), 7,
          false, Qt::AlignLeft, QColor(90, 90, 90));
    Label(p, QRectF(kLeft, kFooter + 3, kWidth, 12), Text(Format("Page %d of %d", page, pages)), 7, false,
          Qt::AlignRight, QColor(90, 90, 90));
}

}  // namespace

bool QtCertificateWriter::writePdf(const Certificate& c, const std::string& path, std::string* error) {
    if (QGuiApplication::instance() == nullptr) {
        if (error != nullptr) {
            *error = "The certificate cannot be drawn without the window's toolkit.";
        }
        return false;
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(96);
        pdf.setTitle(Text("Calibration certificate " + c.calibrationId));
        pdf.setCreator(Text(c.software));
        QPainter p(&pdf);
        p.setRenderHint(QPainter::Antialiasing);
        // The diagram backgrounds are embedded as they are drawn: a JPEG-compressed chromaticity
        // diagram blurs the locus and the gamut edges.
        p.setRenderHint(QPainter::LosslessImageRendering);
        const int pages = 2;

        double y = Banner(p, c);
        y = Identification(p, c, y);
        y = Charts(p, c, y);
        const double tablesWidth = 440;
        const double afterWhite = WhitePoints(p, c, kLeft, y, tablesWidth);
        const double afterMap = UniformityMap(p, c, kLeft + tablesWidth + 16, y, kWidth - tablesWidth - 16);
        DeltaE(p, c, std::max(afterWhite, afterMap));
        Footer(p, c, 1, pages);

        pdf.newPage();
        const size_t shown = Items(p, c, 0, kTop);
        Footer(p, c, 2, pages);
        if (shown < c.items.size()) {
            Label(p, QRectF(kLeft, kFooter - 16, kWidth, 12),
                  Text(Format("%zu further items are in the verification report.", c.items.size() - shown)), 7.5,
                  true);
        }
        p.end();
    }
    return WriteFileAtomically(path, std::string(bytes.constData(), static_cast<size_t>(bytes.size())), error);
}

}  // namespace halvo::gui

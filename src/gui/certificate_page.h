#pragma once

// Drawing helpers of the certificate's pages: text in boxes, simple ruled tables, section titles.
// Coordinates are in the PDF's 1/96-inch units, as the chart painter's pixels are.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <string>
#include <vector>

namespace halvo::gui::certificate {

QFont Font(double pointSize, bool bold = false);
QString Text(const std::string& s);

// Draws text in a box with the given alignment; returns the box.
void Label(QPainter& p, const QRectF& box, const QString& text, double pointSize, bool bold = false,
           int flags = Qt::AlignLeft | Qt::AlignVCenter, const QColor& colour = Qt::black);

// A section title with a rule under it; returns the y below it.
double Section(QPainter& p, double x, double y, double width, const QString& title);

struct Column {
    QString heading;
    double width;
    int align = Qt::AlignLeft;
};

// One table row at y: cells in the columns' widths from x; a light band under every other row.
// Cells whose text starts with "!" are drawn bold red without the mark (an item out of range).
void Row(QPainter& p, double x, double y, double height, const std::vector<Column>& columns,
         const std::vector<QString>& cells, bool heading, bool band, double pointSize = 7.5);

}  // namespace halvo::gui::certificate

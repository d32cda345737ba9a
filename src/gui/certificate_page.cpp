#include "gui/certificate_page.h"

#include <QPen>

namespace halvo::gui::certificate {

QFont Font(double pointSize, bool bold) {
    QFont f("DejaVu Sans");
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QString Text(const std::string& s) {
    // The workbook's square-metre sign is missing from the common print fonts.
    return QString::fromStdString(s).replace(QChar(0x33A1), QStringLiteral("m\u00B2"));
}

void Label(QPainter& p, const QRectF& box, const QString& text, double pointSize, bool bold, int flags,
           const QColor& colour) {
    p.setFont(Font(pointSize, bold));
    p.setPen(colour);
    p.drawText(box, flags | Qt::TextSingleLine, text);
}

double Section(QPainter& p, double x, double y, double width, const QString& title) {
    Label(p, QRectF(x, y, width, 16), title, 9.0, true);
    p.setPen(QPen(QColor(120, 120, 120), 0.8));
    p.drawLine(QPointF(x, y + 17), QPointF(x + width, y + 17));
    return y + 21;
}

void Row(QPainter& p, double x, double y, double height, const std::vector<Column>& columns,
         const std::vector<QString>& cells, bool heading, bool band, double pointSize) {
    double total = 0.0;
    for (const Column& c : columns) {
        total += c.width;
    }
    if (heading) {
        p.fillRect(QRectF(x, y, total, height), QColor(225, 232, 240));
    } else if (band) {
        p.fillRect(QRectF(x, y, total, height), QColor(244, 246, 248));
    }
    double cx = x;
    for (size_t i = 0; i < columns.size(); ++i) {
        QString text = heading ? columns[i].heading : (i < cells.size() ? cells[i] : QString());
        bool bold = heading;
        QColor colour = Qt::black;
        if (text.startsWith('!')) {
            text.remove(0, 1);
            bold = true;
            colour = QColor(190, 0, 0);
        }
        Label(p, QRectF(cx + 3, y, columns[i].width - 6, height), text, pointSize, bold,
              columns[i].align | Qt::AlignVCenter, colour);
        cx += columns[i].width;
    }
}

}  // namespace halvo::gui::certificate

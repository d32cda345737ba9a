#include "gui/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace halvo::gui {

namespace {

// Three bands in the primaries over a dark panel: a monitor showing colour bars.
void PaintMark(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 44, 52));
    p.drawRoundedRect(r, r.width() * 0.12, r.width() * 0.12);
    const QRectF screen = r.adjusted(r.width() * 0.14, r.height() * 0.14, -r.width() * 0.14, -r.height() * 0.14);
    const QColor bands[3] = {QColor(226, 60, 52), QColor(70, 180, 80), QColor(60, 110, 220)};
    const double w = screen.width() / 3.0;
    for (int i = 0; i < 3; ++i) {
        p.setBrush(bands[i]);
        p.drawRect(QRectF(screen.left() + i * w, screen.top(), w + 0.5, screen.height()));
    }
}

}  // namespace

QPixmap LogoPixmap(int height) {
    const int width = height * 3;
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    PaintMark(p, QRectF(1, 1, height - 2, height - 2));
    QFont font("Sans Serif");
    font.setBold(true);
    font.setPixelSize(height * 11 / 20);
    p.setFont(font);
    p.setPen(QColor(40, 44, 52));
    p.drawText(QRectF(height + 6, 0, width - height - 6, height), Qt::AlignVCenter | Qt::AlignLeft, "Vorla");
    return pixmap;
}

QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        PaintMark(p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap IndicatorPixmap(bool on, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, size - 3.0, size - 3.0);
    QRadialGradient glow(r.center() - QPointF(r.width() / 6.0, r.height() / 6.0), r.width() / 1.5);
    if (on) {
        glow.setColorAt(0.0, QColor(170, 255, 170));
        glow.setColorAt(1.0, QColor(20, 160, 40));
    } else {
        glow.setColorAt(0.0, QColor(200, 200, 200));
        glow.setColorAt(1.0, QColor(110, 110, 110));
    }
    p.setBrush(glow);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.drawEllipse(r);
    return pixmap;
}

}  // namespace halvo::gui

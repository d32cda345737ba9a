#include "gui/probe_position_view.h"

#include <QPainter>
#include <QPen>

#include "gui/probe_position.h"

namespace halvo::gui {

ProbePositionView::ProbePositionView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName("Probe position");
}

void ProbePositionView::setPositionType(int type) {
    if (type != type_) {
        type_ = type;
        update();
    }
}

void ProbePositionView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(palette().color(QPalette::Mid), 1.0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const std::optional<ProbePoint> centre = ProbeMarkerCentre(type_, width(), height());
    if (!centre) {
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(100, 100, 50), 2.0, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPoint(centre->x, centre->y), kProbeMarkerRadius, kProbeMarkerRadius);
}

}  // namespace halvo::gui

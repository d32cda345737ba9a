#include "gui/chart_view.h"

#include <QPainter>

#include "gui/chart_painting.h"

namespace halvo::gui {

ChartView::ChartView(const CMeasure& page, QWidget* parent) : QWidget(parent), page_(page) {
    setObjectName("measureChart");
    setAccessibleName("Chart");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Square, as the report's pictures are, in the middle of whatever room the page gives.
    const int side = std::min(width(), height());
    const QRect area((width() - side) / 2, (height() - side) / 2, side, side);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    PaintChart(painter, area, page_.chartScene(), rect());
}

}  // namespace halvo::gui

#pragma once

// Painting the Measure page's chart: the luminance charts (kinds 0 and 1) and the CIE 1931 xy and
// CIE 1976 u'v' charts (kinds 2 and 3) of one colour space. The page's chart widget and the
// report's pictures both paint through here.

#include <QPainter>
#include <QRect>

#include "reports/chart_model.h"

namespace halvo::gui {

// The chart in `area`; room is all the painter may draw on (the area itself when null), which
// the luminance charts use for their gamma text.
void PaintChart(QPainter& painter, const QRect& area, const ChartScene& scene, const QRect& room = QRect());

}  // namespace halvo::gui

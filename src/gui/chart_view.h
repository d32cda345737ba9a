#pragma once

// The Measure page's chart: paints the chart of the page's displayed colour space and chosen
// kind, as the report's pictures are painted.

#include <QWidget>

#include "reports/measure_page.h"

namespace halvo::gui {

class ChartView : public QWidget {
public:
    ChartView(const CMeasure& page, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {300, 300}; }
    QSize minimumSizeHint() const override { return {245, 245}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CMeasure& page_;
};

}  // namespace halvo::gui

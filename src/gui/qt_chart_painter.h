#pragma once

// The report's chart pictures, painted by the Measure page's own chart code into an image in
// memory and encoded as PNG: nothing goes through the clipboard or a file.

#include "reports/chart_painter.h"

namespace halvo::gui {

class QtChartPainter : public ChartPainter {
public:
    std::optional<std::string> renderPng(const ChartScene& scene, int width, int height) override;
};

// For front ends without a window (halvo-cli): makes sure a GUI application object exists,
// creating one on Qt's offscreen platform when there is none, since text cannot be drawn
// without one.
void EnsureOffscreenGuiApplication();

}  // namespace halvo::gui

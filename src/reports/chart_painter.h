#pragma once

// What the report asks of whoever can draw charts: a PNG of one chart, rendered in memory. The
// window's painter implements it (the same code paints the Measure page's chart); the core
// itself draws nothing.

#include <optional>
#include <string>

#include "reports/chart_model.h"

namespace halvo {

class ChartPainter {
public:
    virtual ~ChartPainter() = default;
    // The chart of the scene as PNG bytes of width x height pixels, or nullopt.
    virtual std::optional<std::string> renderPng(const ChartScene& scene, int width, int height) = 0;
};

}  // namespace halvo

#pragma once

// The background pictures of the two chromaticity charts, rendered here rather than shipped: the
// CIE 1931 xy diagram (482 x 531 pixels) and the CIE 1976 u'v' diagram (512 x 512), each with its
// axes, a light grid, and the spectral locus closed by the purple line and filled with
// approximate colours. Their pixel mappings are those of the chart model (kXyDiagram, kUvDiagram).

#include <QImage>

namespace halvo::gui {

// Rendered on first use and kept.
const QImage& XyDiagramBackground();
const QImage& UvDiagramBackground();

}  // namespace halvo::gui

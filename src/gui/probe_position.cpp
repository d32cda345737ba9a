#include "gui/probe_position.h"

namespace halvo::gui {

std::optional<ProbePoint> ProbeMarkerCentre(int type, int width, int height) {
    if (type == 0) {
        return std::nullopt;
    }
    const int left = kProbeMarkerInset;
    const int right = width - kProbeMarkerInset;
    const int top = kProbeMarkerInset;
    const int bottom = height - kProbeMarkerInset;
    const int midX = width / 2;
    const int midY = height / 2;
    // Two numberings of the same nine places: the first sweep of a uniformity run and its
    // refinement order.
    switch (type) {
        case 2: case 11: return ProbePoint{left, midY};
        case 3: case 10: return ProbePoint{left, top};
        case 4: case 13: return ProbePoint{midX, top};
        case 5: case 14: return ProbePoint{right, top};
        case 6: case 16: return ProbePoint{right, midY};
        case 7: case 18: return ProbePoint{right, bottom};
        case 8: case 17: return ProbePoint{midX, bottom};
        case 9: case 12: return ProbePoint{left, bottom};
        default: return ProbePoint{midX, midY};
    }
}

}  // namespace halvo::gui

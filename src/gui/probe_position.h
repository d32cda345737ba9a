#pragma once

// Where the "Probe position" field draws its marker: a dashed circle at one of nine places of
// the screen, the field standing for the monitor's screen. The position type is the probe
// position index + 1; 0 draws an empty field.

#include <optional>

namespace halvo::gui {

inline constexpr int kProbeMarkerRadius = 11;
inline constexpr int kProbeMarkerInset = 12;

struct ProbePoint {
    int x = 0;
    int y = 0;
};

// The marker's centre inside a field of width x height pixels, or nullopt for type 0.
std::optional<ProbePoint> ProbeMarkerCentre(int type, int width, int height);

}  // namespace halvo::gui

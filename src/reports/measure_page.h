#pragma once

// The "Measure" page model (CMeasure): the state its controls show.

#include <string>

namespace halvo {

class CMeasure {
public:
    // Start button ("Measure" / "Stop").
    std::string startButtonText = "Measure";
    bool startButtonChecked = false;
    bool startButtonEnabled = false;
    // "Auto(JIG)": measure each uniformity position as soon as the jig reports ready.
    bool autoJigChecked = false;
    bool autoJigEnabled = false;
    // A measurement run is in progress.
    bool running = false;
    // The page's other controls.
    bool controlsEnabled = false;
};

}  // namespace halvo

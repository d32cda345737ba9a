#pragma once

// The "Calibration" page model (Ccalib): the state its controls show. The station reads and
// writes it as the calibration logic requires; the window binds a view to it.

#include <cstdint>
#include <string>

namespace halvo {

class Ccalib {
public:
    // The page's running flag: a calibration run is in progress.
    bool running = false;
    // The start button ("Calibrate" / "Stop") and its checked state.
    std::string startButtonText = "Calibrate";
    bool startButtonChecked = false;
    bool startButtonEnabled = false;
    // The page's controls as a whole (connected and no other run in progress).
    bool controlsEnabled = false;

    // Colour-space step count: 8, 4, 3 or 2 levels.
    int stepCount = 8;
    // The program version, major + minor / 10.
    double programVersion = 0.0;
    // Bit-depth radios: "10 Bit" for recognised models, else "8 Bit".
    bool tenBit = false;
    std::string calibrationId;
    // Back light field (decimal text) and control.
    std::string backlightText;
    int backlight = 0;

    // Progress bar and status text of a run.
    int progressPosition = 0;
    int progressMaximum = 100;
    std::string statusText = "Ready..";
};

}  // namespace halvo

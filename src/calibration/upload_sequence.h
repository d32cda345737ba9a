#pragma once

// Copying a stored calibration into a monitor without measuring: backlight and colour
// temperature, uniformity, the gamma table and panel gamma, the colour-space slots (replayed so
// the monitor works out its own luminance and offsets, then their 3D tables), the white gains
// per colour temperature, the per-colour-space panel-gamma codes and an EEPROM save. One step
// per expiry of the sequence timer; it runs beside CalibrationState, not in it.

#include <cstdint>

#include "calibration/calibration_context.h"

namespace halvo {

class CalibrationEngine;

class UploadSequence {
public:
    explicit UploadSequence(CalibrationEngine& engine) : engine_(engine) {}

    // The copy command: counters back to the start (the controller arms the timer).
    void start();
    // One expiry of the sequence timer.
    void step();
    // Given up (the monitor was disconnected): the run controls come back.
    void abort();

    bool running() const { return running_; }
    // The last copy went through to its end: everything sent and the monitor answering.
    bool completed() const { return completed_; }
    int phase() const { return phase_; }
    // Steps done so far (the page's progress position).
    int stepCount() const { return steps_; }

private:
    void sendBasics();            // 0
    void sendUniformity();        // 1
    void sendGammaTable();        // 2
    void sendPanelGamma();        // 4
    void prepareColorSpaces();    // 5
    void replayColorSpace();      // 6
    void sendWhiteGains();        // 7
    void sendPanelGammaCodes();   // 8
    void finish();                // 9
    void replayPatch(int space);
    void nextColorSpace(int after);

    void next(int delayMs);

    CalibrationEngine& engine_;
    bool running_ = false;
    bool completed_ = false;
    int phase_ = 0;
    // Packet or target index; in the colour-space phase bits 12-15 hold the colour space.
    int k_ = 0;
    // Colour-space sub-step: 0 slot, 1 patterns, 2 replay, 3..66 table packets, 67 save, 68 next.
    int y_ = 0;
    int colour_ = 0;
    int level_ = 0;
    int steps_ = 0;
    int delayMs_ = 10;
};

}  // namespace halvo

#pragma once

// The station's three notification sounds, synthesised: a short low tone when an operation is
// refused, a rising chime that loops while a completed calibration waits for the operator, and a
// falling two-tone that loops after a failed one. Each loop ends in silence so that repeating it
// reads as a signal, not a drone.

#include <array>

#include "gui/wav_file.h"
#include "station/station_ui.h"

namespace halvo::gui {

// The file names the station has always looked for in its working directory.
const char* SoundFileName(Sound sound);

inline constexpr std::array<Sound, 3> kStationSounds = {Sound::Error, Sound::Success, Sound::Fail};

WavAudio SynthesiseSound(Sound sound);

}  // namespace halvo::gui

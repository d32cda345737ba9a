#pragma once

// Where the station's sounds go. Playing never blocks the caller and never fails loudly: a
// machine without a sound device, or a missing or broken file, simply stays silent.

#include <string>

namespace halvo::gui {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Plays the WAVE file once or over and over, replacing whatever plays.
    virtual void play(const std::string& path, bool loop) = 0;
    virtual void stop() = 0;
};

}  // namespace halvo::gui

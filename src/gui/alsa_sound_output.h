#pragma once

// Sounds through ALSA, on a worker thread of their own so that the station's thread never waits
// for the sound device. The device is opened without blocking, and the worker looks at its stop
// flag at least every 50 ms, so stop() returns promptly even when the device stalls.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "gui/sound_output.h"
#include "gui/wav_file.h"

namespace halvo::gui {

class AlsaSoundOutput : public SoundOutput {
public:
    // device: an ALSA PCM name ("default" plays where the desktop plays).
    explicit AlsaSoundOutput(std::string device = "default");
    ~AlsaSoundOutput() override;
    AlsaSoundOutput(const AlsaSoundOutput&) = delete;
    AlsaSoundOutput& operator=(const AlsaSoundOutput&) = delete;

    void play(const std::string& path, bool loop) override;
    void stop() override;

    // What the last play() came to, for the curious: "" while fine.
    std::string lastProblem() const;
    // True while the worker still has sound to play.
    bool playing() const { return playing_.load(); }

private:
    void run(WavAudio audio, bool loop);
    void setProblem(const std::string& text);

    std::string device_;
    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> playing_{false};
    mutable std::mutex problemMutex_;
    std::string problem_;
};

}  // namespace halvo::gui

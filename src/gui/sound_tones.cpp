#include "gui/sound_tones.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace halvo::gui {

namespace {

constexpr int kRate = 11025;  // plenty for tones below 2 kHz, and it keeps the files small

struct Note {
    double hz;  // 0: silence
    double seconds;
};

// A note with a soft 5 ms attack and an exponential decay, and a little second harmonic so that
// it sounds like a chime rather than a test tone.
void AppendNote(std::vector<double>& samples, const Note& note, double decayPerSecond) {
    const int n = static_cast<int>(note.seconds * kRate);
    const double attack = 0.005 * kRate;
    for (int i = 0; i < n; ++i) {
        if (note.hz <= 0.0) {
            samples.push_back(0.0);
            continue;
        }
        const double t = static_cast<double>(i) / kRate;
        const double phase = 2.0 * std::numbers::pi * note.hz * t;
        const double envelope = std::min(1.0, i / attack) * std::exp(-decayPerSecond * t);
        // Fade the last 3 ms out so that the note ends without a click.
        const double release = std::min(1.0, (n - i) / (0.003 * kRate));
        samples.push_back(envelope * release * (0.8 * std::sin(phase) + 0.2 * std::sin(2.0 * phase)));
    }
}

WavAudio ToPcm16(const std::vector<double>& samples, double gain) {
    WavAudio audio;
    audio.channels = 1;
    audio.sampleRate = kRate;
    audio.bitsPerSample = 16;
    audio.data.reserve(samples.size() * 2);
    for (double s : samples) {
        const long v = std::lround(std::clamp(s * gain, -1.0, 1.0) * 32767.0);
        const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(v));
        audio.data.push_back(static_cast<uint8_t>(bits & 0xFF));
        audio.data.push_back(static_cast<uint8_t>(bits >> 8));
    }
    return audio;
}

}  // namespace

const char* SoundFileName(Sound sound) {
    switch (sound) {
        case Sound::Error: return "Error.wav";
        case Sound::Success: return "Success.wav";
        case Sound::Fail: return "Fail.wav";
    }
    return "Error.wav";
}

WavAudio SynthesiseSound(Sound sound) {
    std::vector<double> samples;
    switch (sound) {
        case Sound::Error:
            AppendNote(samples, {330.0, 0.25}, 9.0);
            break;
        case Sound::Success:
            // C6, E6, G6, C7, then a pause before the loop starts again.
            for (double hz : {1046.5, 1318.5, 1568.0}) {
                AppendNote(samples, {hz, 0.14}, 8.0);
            }
            AppendNote(samples, {2093.0, 0.22}, 10.0);
            AppendNote(samples, {0.0, 0.55}, 0.0);
            break;
        case Sound::Fail:
            AppendNote(samples, {493.9, 0.26}, 4.0);
            AppendNote(samples, {370.0, 0.38}, 4.0);
            AppendNote(samples, {0.0, 0.45}, 0.0);
            break;
    }
    return ToPcm16(samples, 0.6);
}

}  // namespace halvo::gui

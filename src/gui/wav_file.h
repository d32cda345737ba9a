#pragma once

// RIFF/WAVE files holding plain PCM, the only kind the station's sounds come in: the three
// sounds the station ships are written with EncodeWav, and whatever sits in the working
// directory under their names is read back with DecodeWav before it is played.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvo::gui {

struct WavAudio {
    int channels = 1;
    int sampleRate = 11025;
    int bitsPerSample = 16;     // 8 (unsigned) or 16 (signed, little-endian)
    std::vector<uint8_t> data;  // interleaved frames, as stored

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
    int64_t frames() const { return bytesPerFrame() > 0 ? static_cast<int64_t>(data.size()) / bytesPerFrame() : 0; }
};

std::string EncodeWav(const WavAudio& audio);

// The PCM audio of a WAVE file, or nullopt with *error set for anything else (compressed data,
// other sample sizes, chunks that run past the end of the file, an empty data chunk).
std::optional<WavAudio> DecodeWav(std::string_view bytes, std::string* error);

}  // namespace halvo::gui

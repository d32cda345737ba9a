#include "gui/wav_file.h"

#include "common/text_format.h"

namespace halvo::gui {

namespace {

constexpr uint16_t kPcmFormat = 1;
// A sound file beyond this is no notification sound: refuse it rather than hold it in memory.
constexpr uint32_t kMaxDataBytes = 16u * 1024u * 1024u;

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

uint32_t Get16(std::string_view s, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
}

uint32_t Get32(std::string_view s, size_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }

std::optional<WavAudio> Fail(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
    return std::nullopt;
}

}  // namespace

std::string EncodeWav(const WavAudio& a) {
    const uint32_t dataBytes = static_cast<uint32_t>(a.data.size());
    const uint32_t blockAlign = static_cast<uint32_t>(a.bytesPerFrame());
    std::string out;
    out.reserve(44 + a.data.size() + 1);
    out += "RIFF";
    Put32(out, 36 + dataBytes + (dataBytes & 1));
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, kPcmFormat);
    Put16(out, static_cast<uint32_t>(a.channels));
    Put32(out, static_cast<uint32_t>(a.sampleRate));
    Put32(out, static_cast<uint32_t>(a.sampleRate) * blockAlign);
    Put16(out, blockAlign);
    Put16(out, static_cast<uint32_t>(a.bitsPerSample));
    out += "data";
    Put32(out, dataBytes);
    out.append(reinterpret_cast<const char*>(a.data.data()), a.data.size());
    if (dataBytes & 1) {
        out.push_back('\0');  // chunks are padded to an even length
    }
    return out;
}

std::optional<WavAudio> DecodeWav(std::string_view s, std::string* error) {
    if (s.size() < 12 || s.substr(0, 4) != "RIFF" || s.substr(8, 4) != "WAVE") {
        return Fail(error, "not a WAVE file");
    }
    WavAudio audio;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= s.size()) {
        const std::string_view id = s.substr(at, 4);
        const uint32_t size = Get32(s, at + 4);
        const size_t body = at + 8;
        if (size > s.size() - body) {
            return Fail(error, Format("chunk '%.4s' runs past the end of the file", id.data()));
        }
        if (id == "fmt ") {
            if (size < 16) {
                return Fail(error, "format chunk too short");
            }
            const uint32_t format = Get16(s, body);
            audio.channels = static_cast<int>(Get16(s, body + 2));
            audio.sampleRate = static_cast<int>(Get32(s, body + 4));
            audio.bitsPerSample = static_cast<int>(Get16(s, body + 14));
            if (format != kPcmFormat) {
                return Fail(error, Format("format %u is not plain PCM", format));
            }
            if (audio.channels < 1 || audio.channels > 2 || (audio.bitsPerSample != 8 && audio.bitsPerSample != 16) ||
                audio.sampleRate < 4000 || audio.sampleRate > 192000) {
                return Fail(error, Format("unsupported PCM: %d channels, %d bits, %d Hz", audio.channels,
                                          audio.bitsPerSample, audio.sampleRate));
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                return Fail(error, "data before the format chunk");
            }
            if (size > kMaxDataBytes) {
                return Fail(error, "sound too long");
            }
            const size_t usable = size - size % static_cast<uint32_t>(audio.bytesPerFrame());
            if (usable == 0) {
                return Fail(error, "no sound data");
            }
            audio.data.assign(s.begin() + static_cast<std::ptrdiff_t>(body),
                              s.begin() + static_cast<std::ptrdiff_t>(body + usable));
            return audio;
        }
        at = body + size + (size & 1);
    }
    return Fail(error, haveFormat ? "no data chunk" : "no format chunk");
}

}  // namespace halvo::gui

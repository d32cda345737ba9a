#include "gui/alsa_sound_output.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "common/file_io.h"

namespace halvo::gui {

namespace {

// ALSA reports every failure on stderr as well; a station without a sound card would print
// several lines per sound. The failures are kept in lastProblem() instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

constexpr int kWaitMs = 50;
constexpr unsigned kLatencyUs = 200000;

class Pcm {
public:
    ~Pcm() {
        if (handle) {
            snd_pcm_close(handle);
        }
    }
    snd_pcm_t* handle = nullptr;
};

}  // namespace

AlsaSoundOutput::AlsaSoundOutput(std::string device) : device_(std::move(device)) {
    snd_lib_error_set_handler(QuietAlsa);
}

AlsaSoundOutput::~AlsaSoundOutput() { stop(); }

void AlsaSoundOutput::play(const std::string& path, bool loop) {
    stop();
    std::string bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, &error, 16u * 1024u * 1024u)) {
        setProblem(error);
        return;
    }
    std::optional<WavAudio> audio = DecodeWav(bytes, &error);
    if (!audio) {
        setProblem(path + ": " + error);
        return;
    }
    setProblem("");
    stopRequested_ = false;
    playing_ = true;
    worker_ = std::thread([this, a = std::move(*audio), loop]() mutable { run(std::move(a), loop); });
}

void AlsaSoundOutput::stop() {
    stopRequested_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    playing_ = false;
}

std::string AlsaSoundOutput::lastProblem() const {
    std::lock_guard<std::mutex> lock(problemMutex_);
    return problem_;
}

void AlsaSoundOutput::setProblem(const std::string& text) {
    std::lock_guard<std::mutex> lock(problemMutex_);
    problem_ = text;
}

void AlsaSoundOutput::run(WavAudio audio, bool loop) {
    Pcm pcm;
    int rc = snd_pcm_open(&pcm.handle, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        pcm.handle = nullptr;
        setProblem(std::string("no sound device: ") + snd_strerror(rc));
        playing_ = false;
        return;
    }
    const snd_pcm_format_t format = audio.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    rc = snd_pcm_set_params(pcm.handle, format, SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(audio.channels),
                            static_cast<unsigned>(audio.sampleRate), 1, kLatencyUs);
    if (rc < 0) {
        setProblem(std::string("sound device refused the format: ") + snd_strerror(rc));
        playing_ = false;
        return;
    }

    const size_t frameBytes = static_cast<size_t>(audio.bytesPerFrame());
    const snd_pcm_uframes_t total = static_cast<snd_pcm_uframes_t>(audio.frames());
    snd_pcm_uframes_t done = 0;
    while (!stopRequested_) {
        if (done == total) {
            if (!loop) {
                break;
            }
            done = 0;
        }
        const snd_pcm_sframes_t n =
            snd_pcm_writei(pcm.handle, audio.data.data() + done * frameBytes, total - done);
        if (n >= 0) {
            done += static_cast<snd_pcm_uframes_t>(n);
        } else if (n == -EAGAIN) {
            snd_pcm_wait(pcm.handle, kWaitMs);
        } else if (snd_pcm_recover(pcm.handle, static_cast<int>(n), 1) < 0) {
            setProblem(std::string("sound device failed: ") + snd_strerror(static_cast<int>(n)));
            break;
        }
    }
    if (stopRequested_) {
        snd_pcm_drop(pcm.handle);
    } else {
        // Let what is queued play out, still answering a stop within kWaitMs.
        snd_pcm_sframes_t delay = 0;
        while (!stopRequested_ && snd_pcm_delay(pcm.handle, &delay) == 0 && delay > 0) {
            const int64_t ms = static_cast<int64_t>(delay) * 1000 / audio.sampleRate;
            if (ms <= 0) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(ms, kWaitMs)));
        }
        snd_pcm_drop(pcm.handle);
    }
    playing_ = false;
}

}  // namespace halvo::gui

// The station's sounds: the files it ships, reading WAVE files, and playing without a device.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <filesystem>
#include <fstream>

#include "common/file_io.h"
#include "gui/alsa_sound_output.h"
#include "gui/sound_tones.h"
#include "gui/wav_file.h"

namespace halvo::gui {
namespace {

TEST(Sounds, ShippedFilesAreSmallPcmThatReadsBack) {
    for (Sound sound : kStationSounds) {
        std::string bytes;
        const std::string path = std::string(HALVO_SOUND_DIR) + "/" + SoundFileName(sound);
        ASSERT_TRUE(ReadWholeFile(path, bytes, nullptr)) << path;
        EXPECT_LT(bytes.size(), 32u * 1024u) << path;
        std::string error;
        const std::optional<WavAudio> audio = DecodeWav(bytes, &error);
        ASSERT_TRUE(audio.has_value()) << path << ": " << error;
        const WavAudio made = SynthesiseSound(sound);
        EXPECT_EQ(audio->data, made.data);
        EXPECT_EQ(audio->sampleRate, made.sampleRate);
        // At least a tenth of a second, and audible: not all zero.
        EXPECT_GE(audio->frames(), audio->sampleRate / 10);
        EXPECT_NE(std::count(audio->data.begin(), audio->data.end(), 0), static_cast<long>(audio->data.size()));
    }
}

TEST(Sounds, LoopingSoundsEndInSilenceSoTheRepeatsStandApart) {
    for (Sound sound : {Sound::Success, Sound::Fail}) {
        const WavAudio audio = SynthesiseSound(sound);
        const size_t tail = static_cast<size_t>(audio.sampleRate) * 2 * 3 / 10;  // 0.3 s of 16-bit mono
        ASSERT_GT(audio.data.size(), tail);
        EXPECT_TRUE(std::all_of(audio.data.end() - static_cast<long>(tail), audio.data.end(), [](uint8_t b) { return b == 0; }));
    }
}

TEST(WavFile, RefusesWhatIsNotPlainPcm) {
    WavAudio eight;
    eight.bitsPerSample = 8;
    eight.channels = 2;
    eight.sampleRate = 8000;
    eight.data = {128, 128, 200, 60, 1};  // an odd byte that is no whole frame
    const std::string good = EncodeWav(eight);
    std::string error;
    const std::optional<WavAudio> back = DecodeWav(good, &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(back->data, (std::vector<uint8_t>{128, 128, 200, 60}));
    EXPECT_EQ(back->channels, 2);

    const auto refused = [](std::string bytes) {
        std::string why;
        const bool refusedIt = !DecodeWav(bytes, &why).has_value();
        return refusedIt && !why.empty();
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused(good.substr(0, 30)));             // cut inside the format chunk
    EXPECT_TRUE(refused(good.substr(0, good.size() - 3)));  // data chunk runs past the end
    std::string adpcm = good;
    adpcm[20] = 2;
    EXPECT_TRUE(refused(adpcm));
    std::string bits24 = good;
    bits24[34] = 24;
    EXPECT_TRUE(refused(bits24));
    std::string noRiff = good;
    noRiff[0] = 'X';
    EXPECT_TRUE(refused(noRiff));
    std::string huge = good;
    huge[40] = '\xff';
    huge[41] = '\xff';
    huge[42] = '\xff';
    huge[43] = '\x7f';
    EXPECT_TRUE(refused(huge));
}

TEST(AlsaSound, WithoutADeviceOrAFileItStaysSilentAndNeverHangs) {
    const std::string dir = ::testing::TempDir() + "halvo_sound_test";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/Fail.wav";
    ASSERT_TRUE(WriteFileAtomically(path, EncodeWav(SynthesiseSound(Sound::Fail)), nullptr));

    AlsaSoundOutput output("halvo_no_such_device");
    QElapsedTimer clock;
    clock.start();
    output.play(path, true);
    for (int i = 0; i < 100 && output.playing(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(output.playing());
    EXPECT_NE(output.lastProblem().find("no sound device"), std::string::npos) << output.lastProblem();
    output.stop();

    output.play(dir + "/Missing.wav", false);
    EXPECT_FALSE(output.playing());
    EXPECT_FALSE(output.lastProblem().empty());
    output.stop();
    EXPECT_LT(clock.elapsed(), 2000);
    std::filesystem::remove_all(dir);
}

TEST(AlsaSound, OnADeviceALoopPlaysUntilStoppedAndAOneShotEndsByItself) {
    // ALSA's "null" device takes the sound like a card would, without a card.
    const std::string sounds = HALVO_SOUND_DIR;
    AlsaSoundOutput output("null");
    output.play(sounds + "/Success.wav", true);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_TRUE(output.playing()) << output.lastProblem();
    QElapsedTimer clock;
    clock.start();
    output.stop();
    EXPECT_FALSE(output.playing());
    EXPECT_LT(clock.elapsed(), 500);

    output.play(sounds + "/Error.wav", false);
    for (int i = 0; i < 300 && output.playing(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(output.playing());
    EXPECT_EQ(output.lastProblem(), "");
}

}  // namespace
}  // namespace halvo::gui

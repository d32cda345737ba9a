// Writes the station's three sounds into a directory (a build step; the window finds them next
// to its binary when the working directory has none of its own).

#include <cstdio>
#include <string>

#include "common/file_io.h"
#include "gui/sound_tones.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: halvo-soundgen DIRECTORY\n");
        return 2;
    }
    for (const halvo::Sound sound : halvo::gui::kStationSounds) {
        const std::string path = std::string(argv[1]) + "/" + halvo::gui::SoundFileName(sound);
        std::string error;
        if (!halvo::WriteFileAtomically(path, halvo::gui::EncodeWav(halvo::gui::SynthesiseSound(sound)), &error)) {
            std::fprintf(stderr, "halvo-soundgen: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}

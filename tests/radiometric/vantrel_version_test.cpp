// The version query reads the version block of the library's own file.

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "radiometric/vantrel.h"

namespace halvo {
namespace {

using VersionQuery = int32_t (*)(uint16_t*, uint16_t*, uint16_t*);

std::string LinkedLibraryPath() {
    Dl_info info{};
    EXPECT_NE(dladdr(reinterpret_cast<void*>(&PELKO_GetRadioExDLLVersion), &info), 0);
    return info.dli_fname != nullptr ? info.dli_fname : "";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A copy of the library, loaded beside the linked one, with its file changed by damage().
class LibraryCopy {
public:
    LibraryCopy(const std::string& name, const std::function<void(std::string&)>& damage) {
        dir_ = ::testing::TempDir() + "halvo_vantrel_" + name;
        std::filesystem::create_directories(dir_);
        path_ = dir_ + "/libvantrel.so";
        std::string image = Slurp(LinkedLibraryPath());
        damage(image);
        std::ofstream(path_, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
        handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~LibraryCopy() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
        std::filesystem::remove_all(dir_);
    }
    VersionQuery query() const {
        return handle_ != nullptr ? reinterpret_cast<VersionQuery>(dlsym(handle_, "PELKO_GetRadioExDLLVersion")) : nullptr;
    }
    const std::string& path() const { return path_; }

private:
    std::string dir_;
    std::string path_;
    void* handle_ = nullptr;
};

// Where the version block lies in the file: the start of its section (debug information may
// repeat the block's text elsewhere).
size_t SignatureAt(const std::string& image) {
    Elf64_Ehdr header;
    std::memcpy(&header, image.data(), sizeof header);
    Elf64_Shdr names;
    std::memcpy(&names, image.data() + header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr), sizeof names);
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr s;
        std::memcpy(&s, image.data() + header.e_shoff + i * sizeof(Elf64_Shdr), sizeof s);
        if (std::strcmp(image.data() + names.sh_offset + s.sh_name, ".vantrel_version") == 0) {
            EXPECT_EQ(image.compare(s.sh_offset, 15, "VANTREL VERSION"), 0);
            return s.sh_offset;
        }
    }
    ADD_FAILURE() << "no version section";
    return 0;
}

TEST(VantrelVersion, ReadsThreeZeroZeroFromItsOwnFile) {
    uint16_t major = 0;
    uint16_t minor = 9;
    uint16_t build = 9;
    EXPECT_EQ(PELKO_GetRadioExDLLVersion(&major, &minor, &build), 0);
    EXPECT_EQ(major, 3);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(build, 0);
    EXPECT_EQ(PELKO_GetRadioExDLLVersion(nullptr, nullptr, nullptr), 0);

    // The numbers come from the file: a copy whose block says 3.7 build 12 reports that.
    LibraryCopy edited("edited", [](std::string& image) {
        const size_t at = SignatureAt(image);
        const uint32_t ms = 3u << 16 | 7u;
        const uint32_t ls = 12u << 16 | 4u;
        image.replace(at + 20, 4, reinterpret_cast<const char*>(&ms), 4);
        image.replace(at + 24, 4, reinterpret_cast<const char*>(&ls), 4);
    });
    ASSERT_NE(edited.query(), nullptr) << dlerror();
    EXPECT_EQ(edited.query()(&major, &minor, &build), 0);
    EXPECT_EQ(major, 3);
    EXPECT_EQ(minor, 7);
    EXPECT_EQ(build, 12);
}

TEST(VantrelVersion, ADamagedEmptyOrUnreadableBlockGives128) {
    const std::function<void(std::string&)> damages[] = {
        [](std::string& image) { image[SignatureAt(image)] = 'W'; },  // the root entry is unreadable
        [](std::string& image) {  // the block claims another length
            const uint32_t length = 12;
            image.replace(SignatureAt(image) + 16, 4, reinterpret_cast<const char*>(&length), 4);
        },
    };
    int n = 0;
    for (const auto& damage : damages) {
        LibraryCopy copy("damaged" + std::to_string(n++), damage);
        ASSERT_NE(copy.query(), nullptr) << dlerror();
        uint16_t major = 77;
        EXPECT_EQ(copy.query()(&major, nullptr, nullptr), VANTREL_ERROR_VERSION);
        EXPECT_EQ(major, 77);
    }

    LibraryCopy gone("gone", [](std::string&) {});
    ASSERT_NE(gone.query(), nullptr) << dlerror();
    std::filesystem::remove(gone.path());
    EXPECT_EQ(gone.query()(nullptr, nullptr, nullptr), VANTREL_ERROR_VERSION);
}

}  // namespace
}  // namespace halvo

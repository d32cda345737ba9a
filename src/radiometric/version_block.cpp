#include "radiometric/version_block.h"

#include <dlfcn.h>
#include <elf.h>

#include <cstddef>
#include <cstring>

#include "common/file_io.h"

namespace vantrel {
namespace {

// The block as it lies in the file, in the section below. The signature doubles as the root
// entry: a block whose signature or length is not this library's cannot be queried.
struct VersionBlock {
    char signature[16];
    uint32_t length;  // bytes of the whole block
    uint32_t fileVersionMs;
    uint32_t fileVersionLs;
    uint32_t productVersionMs;
    uint32_t productVersionLs;
    char description[44];
};
static_assert(sizeof(VersionBlock) == 80);

constexpr const char* kSectionName = ".vantrel_version";
// Compared with a constant of the code, never with the block as mapped: that is the file's own
// copy, damaged or not.
constexpr char kSignature[16] = "VANTREL VERSION";

// Version 3.0.0.0.
__attribute__((used, section(".vantrel_version"))) const VersionBlock kBlock = {
    {'V', 'A', 'N', 'T', 'R', 'E', 'L', ' ', 'V', 'E', 'R', 'S', 'I', 'O', 'N', '\0'},
    sizeof(VersionBlock),
    3u << 16 | 0u,
    0u << 16 | 0u,
    3u << 16 | 0u,
    0u << 16 | 0u,
    "Vantrel radiometric extension library",
};

template <typename T>
bool ReadAt(const std::string& image, uint64_t offset, T& out) {
    if (offset > image.size() || image.size() - offset < sizeof(T)) {
        return false;
    }
    std::memcpy(&out, image.data() + offset, sizeof(T));
    return true;
}

bool HostIsLittleEndian() {
    const uint16_t one = 1;
    uint8_t first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// The bytes of the named section of a 64-bit ELF image of this machine's byte order.
std::optional<std::string> Section(const std::string& image, const char* name) {
    Elf64_Ehdr header;
    if (!ReadAt(image, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != (HostIsLittleEndian() ? ELFDATA2LSB : ELFDATA2MSB) ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
        return std::nullopt;
    }
    const auto sectionHeader = [&](uint64_t index, Elf64_Shdr& out) {
        return ReadAt(image, header.e_shoff + index * sizeof(Elf64_Shdr), out);
    };
    Elf64_Shdr names;
    if (!sectionHeader(header.e_shstrndx, names) || names.sh_offset > image.size() ||
        image.size() - names.sh_offset < names.sh_size) {
        return std::nullopt;
    }
    const size_t nameLength = std::strlen(name);
    for (uint64_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr s;
        if (!sectionHeader(i, s)) {
            return std::nullopt;
        }
        if (s.sh_name >= names.sh_size || names.sh_size - s.sh_name <= nameLength) {
            continue;
        }
        const char* sectionName = image.data() + names.sh_offset + s.sh_name;
        if (std::memcmp(sectionName, name, nameLength + 1) != 0) {
            continue;
        }
        if (s.sh_type == SHT_NOBITS || s.sh_offset > image.size() || image.size() - s.sh_offset < s.sh_size) {
            return std::nullopt;
        }
        return image.substr(s.sh_offset, s.sh_size);
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileVersion> FileVersionInImage(const std::string& image) {
    const std::optional<std::string> section = Section(image, kSectionName);
    if (!section || section->empty()) {
        return std::nullopt;
    }
    VersionBlock block;
    if (!ReadAt(*section, 0, block) || std::memcmp(block.signature, kSignature, sizeof kSignature) != 0 ||
        block.length != sizeof(VersionBlock)) {
        return std::nullopt;
    }
    return FileVersion{block.fileVersionMs, block.fileVersionLs};
}

std::optional<FileVersion> OwnFileVersion() {
    // The loader knows which file the block was mapped from.
    Dl_info info;
    if (::dladdr(&kBlock, &info) == 0 || info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        return std::nullopt;
    }
    std::string image;
    std::string error;
    if (!halvo::ReadWholeFile(info.dli_fname, image, &error, 64u * 1024u * 1024u)) {
        return std::nullopt;
    }
    return FileVersionInImage(image);
}

}  // namespace vantrel

#pragma once

// The version block libvantrel.so carries in its own file, and reading it back from the file.

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

struct FileVersion {
    uint32_t mostSignificant;   // major << 16 | minor
    uint32_t leastSignificant;  // build << 16 | revision
};

// The file version in the version block of the file this library was loaded from; nothing when
// the file cannot be read or its block is missing, empty or damaged.
std::optional<FileVersion> OwnFileVersion();

// The same from the bytes of a library file.
std::optional<FileVersion> FileVersionInImage(const std::string& image);

}  // namespace vantrel

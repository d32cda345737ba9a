// Arbitrary bytes as the library file the version query reads its version block from.

#include <cstdint>
#include <string>

#include "radiometric/version_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string image(reinterpret_cast<const char*>(data), size);
    const std::optional<vantrel::FileVersion> v = vantrel::FileVersionInImage(image);
    if (v && v->mostSignificant == 0xFFFFFFFFu) {
        return 0;  // keeps the result used
    }
    return 0;
}

#pragma once

// Reads the members of a zip archive (an .xlsx workbook) in memory, so tests can look inside what
// the station wrote. Stored and deflated members; no encryption, no zip64.

#include <zlib.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace halvo::test {

inline uint32_t ZipLe(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    }
    return v;
}

// Name -> contents; nullopt when the archive cannot be read.
inline std::optional<std::map<std::string, std::string>> ReadZip(const std::string& zip) {
    if (zip.size() < 22) {
        return std::nullopt;
    }
    size_t end = std::string::npos;
    for (size_t i = zip.size() - 22 + 1; i-- > 0;) {
        if (ZipLe(zip, i, 4) == 0x06054b50) {
            end = i;
            break;
        }
    }
    if (end == std::string::npos) {
        return std::nullopt;
    }
    const uint32_t count = ZipLe(zip, end + 10, 2);
    size_t at = ZipLe(zip, end + 16, 4);
    std::map<std::string, std::string> members;
    for (uint32_t n = 0; n < count; ++n) {
        if (at + 46 > zip.size() || ZipLe(zip, at, 4) != 0x02014b50) {
            return std::nullopt;
        }
        const uint32_t method = ZipLe(zip, at + 10, 2);
        const uint32_t packed = ZipLe(zip, at + 20, 4);
        const uint32_t size = ZipLe(zip, at + 24, 4);
        const uint32_t nameLength = ZipLe(zip, at + 28, 2);
        const uint32_t extra = ZipLe(zip, at + 30, 2);
        const uint32_t comment = ZipLe(zip, at + 32, 2);
        const uint32_t local = ZipLe(zip, at + 42, 4);
        const std::string name = zip.substr(at + 46, nameLength);
        at += 46 + nameLength + extra + comment;
        if (local + 30 > zip.size() || ZipLe(zip, local, 4) != 0x04034b50) {
            return std::nullopt;
        }
        const size_t data = local + 30 + ZipLe(zip, local + 26, 2) + ZipLe(zip, local + 28, 2);
        if (data + packed > zip.size()) {
            return std::nullopt;
        }
        std::string out(size, '\0');
        if (method == 0) {
            out = zip.substr(data, packed);
        } else if (method == 8) {
            z_stream z{};
            if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
                return std::nullopt;
            }
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
            z.avail_in = packed;
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = size;
            const int r = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (r != Z_STREAM_END) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
        members[name] = std::move(out);
    }
    return members;
}

}  // namespace halvo::test

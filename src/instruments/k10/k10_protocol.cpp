#include "instruments/k10/k10_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace halvo {
namespace {

constexpr double kValueScale = 65536.0;
constexpr double kCoefficientScale = 32768.0;
constexpr int kLargestExponent = 128;
constexpr int kSmallestExponent = -127;
constexpr int kLargestMagnitude = 0x7FFF;

double Decode(uint8_t c, uint8_t d, uint8_t e, double scale) {
    const int exponent = e > 128 ? e - 256 : e;
    const double magnitude = static_cast<double>((c & 0x7F) * 256 + d) / scale;
    const double value = std::ldexp(magnitude, exponent);
    return (c & 0x80) != 0 ? -value : value;
}

std::array<uint8_t, 3> Encode(double value, double scale) {
    if (!std::isfinite(value) || value == 0.0) {
        return {0, 0, 0};
    }
    const bool negative = value < 0.0;
    const double a = std::fabs(value);
    int binary = 0;
    (void)std::frexp(a, &binary);  // a = m * 2^binary, m in [0.5, 1)
    // The largest magnitude is just under 1/2 of 65536 (values) or just under 1 of 32768
    // (coefficients): choose the exponent that puts the mantissa there.
    int exponent = scale == kValueScale ? binary + 1 : binary;
    long magnitude = std::lround(std::ldexp(a, -exponent) * scale);
    if (magnitude > kLargestMagnitude) {
        ++exponent;
        magnitude = std::lround(std::ldexp(a, -exponent) * scale);
    }
    if (exponent > kLargestExponent) {
        exponent = kLargestExponent;
        magnitude = kLargestMagnitude;
    } else if (exponent < kSmallestExponent) {
        exponent = kSmallestExponent;
        magnitude = std::lround(std::ldexp(a, -exponent) * scale);
        if (magnitude == 0) {
            return {0, 0, 0};
        }
    }
    return {static_cast<uint8_t>((magnitude >> 8) | (negative ? 0x80 : 0x00)), static_cast<uint8_t>(magnitude & 0xFF),
            static_cast<uint8_t>(exponent < 0 ? exponent + 256 : exponent)};
}

void Put(K10Bytes& out, size_t at, const std::array<uint8_t, 3>& bytes) {
    std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Text into a fixed field, space padded, cut to the field.
void PutText(K10Bytes& out, size_t at, size_t width, const std::string& text) {
    for (size_t i = 0; i < width; ++i) {
        out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
    }
}

std::string TextAt(std::span<const uint8_t> bytes, size_t at, size_t width) {
    return TrimK10Text(std::string_view(reinterpret_cast<const char*>(bytes.data() + at), width));
}

// The device's command set: the reply length to wait for (-1: none) and the patience.
const std::array<K10Command, 15> kCommands = {{
    {"B4", 43, 2},
    {"B7", 2, 1},
    {"B8", 43, 2},
    {"B9", 43, 4},
    {"D1", 2, 2},
    {"D7", 1925, 6},
    {"D9", 2, 2},
    {"L0", -1, 1},
    {"L1", -1, 1},
    {"M6", 20, 2},
    {"N5", 15, 1},
    {"P0", 21, 1},
    {"P4", 613, 5},
    {"S0", 133, 2},
    {"T2", -1, 2},
}};

}  // namespace

const std::array<K10Command, 15>& K10Commands() {
    return kCommands;
}

const K10Command* FindK10Command(std::string_view text) {
    for (const K10Command& c : kCommands) {
        if (text == c.text) {
            return &c;
        }
    }
    return nullptr;
}

double DecodeK10Value(uint8_t c, uint8_t d, uint8_t e) {
    return Decode(c, d, e, kValueScale);
}

double DecodeK10Coefficient(uint8_t c, uint8_t d, uint8_t e) {
    return Decode(c, d, e, kCoefficientScale);
}

std::array<uint8_t, 3> EncodeK10Value(double value) {
    return Encode(value, kValueScale);
}

std::array<uint8_t, 3> EncodeK10Coefficient(double value) {
    return Encode(value, kCoefficientScale);
}

K10Ranges DecodeK10Ranges(uint8_t R) {
    const int r = R & 0x1F;
    K10Ranges out;
    out.red = (R >> 7) + 2 * ((r / 9) % 3) + 1;
    out.green = ((R >> 6) & 1) + 2 * ((r / 3) % 3) + 1;
    out.blue = ((R >> 5) & 1) + 2 * (r % 3) + 1;
    return out;
}

uint8_t EncodeK10Ranges(const K10Ranges& ranges) {
    const auto k = [](int32_t range) { return std::clamp(range, 1, 6) - 1; };
    const int red = k(ranges.red);
    const int green = k(ranges.green);
    const int blue = k(ranges.blue);
    const int r = 9 * (red / 2) + 3 * (green / 2) + blue / 2;
    return static_cast<uint8_t>((red & 1) << 7 | (green & 1) << 6 | (blue & 1) << 5 | r);
}

int32_t K10StatusFlag(uint8_t letter) {
    switch (letter) {
        case 'L': return kK10LowLight;
        case 'u': return kK10OverRangeX;
        case 'v': return kK10OverRangeY;
        case 'w': return kK10OverRangeZ;
        case 't': return kK10Temperature;
        case 's': return kK10Unsettled;
        case 'b': return kK10SupplyLow;
        case 'X':
        case 'B': return kK10HardwareFault;
        default: return 0;
    }
}

std::string TrimK10Text(std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    const char* blanks = " \t\n\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

std::optional<K10Identity> ParseK10Identity(std::span<const uint8_t> reply) {
    if (reply.size() < 18) {
        return std::nullopt;
    }
    return K10Identity{TextAt(reply, 2, 7), TextAt(reply, 9, 9)};
}

bool IsK10Model(const std::string& model) {
    return model.rfind("K-", 0) == 0 || model.rfind("KV-", 0) == 0;
}

std::optional<std::vector<std::string>> ParseK10Names(std::span<const uint8_t> reply) {
    if (reply.size() < 2 + kK10Slots * kK10NameRecord) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    names.reserve(kK10Slots);
    for (size_t k = 0; k < static_cast<size_t>(kK10Slots); ++k) {
        const size_t at = 2 + k * kK10NameRecord;
        if (reply[at + 10] == 0xFF) {
            names.emplace_back("Blank");
        } else {
            names.push_back(TextAt(reply, at, kK10NameRecord));
        }
    }
    return names;
}

std::optional<K10Measurement> ParseK10Measurement(std::span<const uint8_t> reply) {
    if (reply.size() < 14) {
        return std::nullopt;
    }
    K10Measurement m;
    m.X = DecodeK10Value(reply[2], reply[3], reply[4]);
    m.Y = DecodeK10Value(reply[5], reply[6], reply[7]);
    m.Z = DecodeK10Value(reply[8], reply[9], reply[10]);
    m.range = reply[11];
    m.status = reply[13];
    return m;
}

std::optional<K10Matrix> ParseK10Matrix(std::span<const uint8_t> reply, uint8_t slot) {
    if (reply.size() < kK10MatrixLength) {
        return std::nullopt;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < kK10MatrixChecksumOffset; ++i) {
        sum += reply[i];
    }
    const auto number = [&](size_t at) { return DecodeK10Coefficient(reply[at], reply[at + 1], reply[at + 2]); };
    K10Matrix m;
    m.slot = slot;
    m.slotDiffers = reply[0] != slot;
    m.checksumDiffers = (sum & 0xFF) != reply[kK10MatrixChecksumOffset];
    m.correction = reply[kK10MatrixLetterOffset] == kK10CorrectionLetter;
    for (size_t i = 0; i < m.reference.size(); ++i) {
        m.reference[i] = number(kK10MatrixReferenceOffset + 3 * i);
    }
    for (size_t row = 0; row < 3; ++row) {
        for (size_t col = 0; col < 3; ++col) {
            m.correctionMatrix[row][col] = number(kK10MatrixCorrectionOffset + 3 * (3 * row + col));
            m.rgbMatrix[row][col] = number(kK10MatrixRgbOffset + 3 * (3 * row + col));
        }
    }
    if (!m.correction) {
        return m;  // nothing of it is applied
    }
    for (size_t row = 0; row < 3; ++row) {
        for (size_t col = 0; col < 3; ++col) {
            if (!std::isfinite(m.correctionMatrix[row][col]) || !std::isfinite(m.rgbMatrix[row][col])) {
                return std::nullopt;
            }
        }
    }
    // A correction that folds the colour space flat loses what it should correct; its scale is
    // about 1, so a determinant this small is no correction at all.
    const Matrix3& c = m.correctionMatrix;
    const double det = c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                       c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                       c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
    constexpr double kSmallestDeterminant = 1e-6;
    if (!std::isfinite(det) || std::fabs(det) < kSmallestDeterminant) {
        return std::nullopt;
    }
    return m;
}

std::string K10MatrixWarning(const K10Matrix& m) {
    if (m.slotDiffers && m.checksumDiffers) {
        return "its first byte is not the slot number and its last is not the sum of the others";
    }
    if (m.slotDiffers) {
        return "its first byte is not the slot number";
    }
    if (m.checksumDiffers) {
        return "its last byte is not the sum of the others";
    }
    return {};
}

K10Bytes BuildK10Identity(const std::string& model, const std::string& serialNumber, const std::string& firmware) {
    K10Bytes out(kK10IdentityLength, ' ');
    out[0] = 'P';
    out[1] = '0';
    PutText(out, 2, 7, model);
    PutText(out, 9, 9, serialNumber);
    PutText(out, 18, 2, firmware);
    out[20] = '\r';
    return out;
}

K10Bytes BuildK10Names(const std::vector<std::string>& names) {
    K10Bytes out(kK10NamesLength, 0);
    out[0] = 'D';
    out[1] = '7';
    for (size_t k = 0; k < static_cast<size_t>(kK10Slots); ++k) {
        const size_t at = 2 + k * kK10NameRecord;
        if (k < names.size() && !names[k].empty()) {
            PutText(out, at, kK10NameRecord, names[k]);
        } else {
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at), kK10NameRecord, uint8_t{0xFF});
        }
    }
    out[1922] = static_cast<uint8_t>(kK10Slots);
    out[1923] = 0;
    out[1924] = '\r';
    return out;
}

K10Bytes BuildK10Measurement(double X, double Y, double Z, uint8_t range, uint8_t status) {
    K10Bytes out(kK10MeasurementLength, ' ');
    out[0] = 'N';
    out[1] = '5';
    Put(out, 2, EncodeK10Value(X));
    Put(out, 5, EncodeK10Value(Y));
    Put(out, 8, EncodeK10Value(Z));
    out[11] = range;
    out[12] = ' ';
    out[13] = status;
    out[14] = '\r';
    return out;
}

K10Bytes BuildK10Matrix(uint8_t slot, const std::string& name, uint8_t letter, const std::string& madeWith,
                        const std::array<double, 5>& reference, const Matrix3& correction, const RgbMatrix& rgb) {
    K10Bytes out(kK10MatrixLength, 0xFF);
    out[0] = slot;
    if (!name.empty()) {
        PutText(out, 1, kK10NameRecord, name);
        out[kK10MatrixLetterOffset] = letter;
        PutText(out, 22, kK10MatrixReferenceOffset - 22, madeWith);
        for (size_t i = 0; i < reference.size(); ++i) {
            Put(out, kK10MatrixReferenceOffset + 3 * i, EncodeK10Coefficient(reference[i]));
        }
        for (size_t row = 0; row < 3; ++row) {
            for (size_t col = 0; col < 3; ++col) {
                Put(out, kK10MatrixCorrectionOffset + 3 * (3 * row + col), EncodeK10Coefficient(correction[row][col]));
                Put(out, kK10MatrixRgbOffset + 3 * (3 * row + col), EncodeK10Coefficient(rgb[row][col]));
            }
        }
    }
    unsigned sum = 0;
    for (size_t i = 0; i < kK10MatrixChecksumOffset; ++i) {
        sum += out[i];
    }
    out[kK10MatrixChecksumOffset] = static_cast<uint8_t>(sum & 0xFF);
    out[129] = '\r';
    out[130] = '\n';
    return out;
}

}  // namespace halvo

#pragma once

// The K-10 colorimeter's serial protocol: 9600 baud, 8 data bits, no parity, one stop bit.
// Every command is two ASCII characters followed by a carriage return; the device answers with
// a binary record that starts with the command's echo. No reply carries a line end the station
// waits for: a reply is complete when it holds the command's minimum length.
//
// Numbers travel as three bytes c, d, e: magnitude ((c & 7F) * 256 + d) / 65536, negative when
// bit 7 of c is set, times 2^e with e above 128 read as e - 256 (128 itself is +128). Matrix
// coefficients use the same three bytes with the magnitude divided by 32768 instead.
//
// "P0"  identify, 21 bytes:
//   0-1 "P0" | 2-8 model text, space padded ("K-10-A ") | 9-17 serial number, 9 characters |
//   18-19 firmware version, two characters | 20 CR
//   A device that is still waking up answers "/////" as its model text.
//
// "D7"  calibration names, 1925 bytes:
//   0-1 "D7" | 2-1921 96 records of 20 bytes, record k naming slot k + 1, space padded; an erased
//   slot has FF at its 11th byte (the device leaves the whole record FF) | 1922 the number of
//   slots (96) | 1923 00 | 1924 CR
//
// "D1"  select a slot: the device echoes "D1" (2 bytes) and then waits for the slot number as
//   one byte followed by CR. It answers that with the slot's matrix record, 131 bytes:
//   0       the slot number, as the devices seen so far send it
//   1-20    the slot's name record as in "D7"
//   21      'C' when the slot holds a correction matrix; anything else carries none (the
//           factory slot 0 answers 'F', an erased slot FF)
//   22-58   how the matrix was made (reference instrument, date), text, ignored by the station
//   59-73   5 numbers: x, y and Y (cd/m2) of the white the matrix was made on, and the mean and
//           largest remaining error in u'v' on the reference set
//   74-100  9 numbers: the correction matrix, row by row: X, Y, Z = M . raw X, Y, Z
//   101-127 9 numbers: the XYZ-to-RGB matrix of this calibration, row by row
//   128     the sum of bytes 0-127 modulo 256, as the devices seen so far send it
//   Neither byte 0 nor byte 128 is known to hold on every device: a reply that differs there
//   is used with a warning. Only a reply whose matrix cannot be used is refused: a short one,
//   coefficients that are not finite, or a correction matrix that cannot be inverted.
//   129-130 CR LF
//
// "N5"  measure, 15 bytes:
//   0-1 "N5" | 2-4 raw X | 5-7 raw Y | 8-10 raw Z (cd/m2) | 11 range byte | 12 reserved (space) |
//   13 status letter | 14 CR
//   The device always answers with the reading it finished last and starts a new one, so the
//   first answer after a pause (or a pattern change) is stale: the station asks twice.
//   Range byte R, r = R & 1F: red range = (R >> 7) + 2 * ((r / 9) mod 3) + 1, green range =
//   ((R >> 6) & 1) + 2 * ((r / 3) mod 3) + 1, blue range = ((R >> 5) & 1) + 2 * (r mod 3) + 1.
//   Status letters: '0' good, 'L' too little light, 'u' 'v' 'w' the X, Y, Z channel over its
//   range, 't' sensor temperature, 's' the light changed while measuring, 'b' supply low,
//   'X' or 'B' hardware fault.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "colorimetry/colorimetric_record.h"

namespace halvo {

using K10Bytes = std::vector<uint8_t>;
using Matrix3 = RgbMatrix;

// Error bits of the driver's flags word, carried into ColorimetricRecord::errorFlags.
inline constexpr int32_t kK10PortUnusable = 0x1;
inline constexpr int32_t kK10NoReply = 0x2;
inline constexpr int32_t kK10LowLight = 0x40;
inline constexpr int32_t kK10LightChanged = 0x80;
inline constexpr int32_t kK10OverRangeX = 0x100;
inline constexpr int32_t kK10OverRangeY = 0x200;
inline constexpr int32_t kK10OverRangeZ = 0x400;
inline constexpr int32_t kK10Temperature = 0x800;
inline constexpr int32_t kK10Unsettled = 0x1000;
inline constexpr int32_t kK10SupplyLow = 0x2000;
inline constexpr int32_t kK10HardwareFault = 0x8000000;

// A command with the reply length the station waits for (-1: none) and its patience.
struct K10Command {
    const char* text;
    int minReply;
    int patience;
};

// Every command the device knows; the station uses "P0", "D7", "D1" and "N5".
const std::array<K10Command, 15>& K10Commands();
// The entry of a command, or nullptr.
const K10Command* FindK10Command(std::string_view text);

inline constexpr size_t kK10IdentityLength = 21;
inline constexpr size_t kK10NamesLength = 1925;
inline constexpr size_t kK10EchoLength = 2;
inline constexpr size_t kK10MatrixLength = 131;
inline constexpr size_t kK10MeasurementLength = 15;
inline constexpr int kK10Slots = 96;
inline constexpr size_t kK10NameRecord = 20;

inline constexpr uint8_t kK10CorrectionLetter = 'C';
inline constexpr size_t kK10MatrixLetterOffset = 21;
inline constexpr size_t kK10MatrixReferenceOffset = 59;
inline constexpr size_t kK10MatrixCorrectionOffset = 74;
inline constexpr size_t kK10MatrixRgbOffset = 101;
inline constexpr size_t kK10MatrixChecksumOffset = 128;

// Three bytes to a number: measured values (/65536) and matrix coefficients (/32768).
double DecodeK10Value(uint8_t c, uint8_t d, uint8_t e);
double DecodeK10Coefficient(uint8_t c, uint8_t d, uint8_t e);
// The nearest three bytes; values beyond the format saturate, values below it become 0.
std::array<uint8_t, 3> EncodeK10Value(double value);
std::array<uint8_t, 3> EncodeK10Coefficient(double value);

struct K10Ranges {
    int32_t red = 1;
    int32_t green = 1;
    int32_t blue = 1;
};
K10Ranges DecodeK10Ranges(uint8_t rangeByte);
// The byte for ranges 1..6 each (clamped).
uint8_t EncodeK10Ranges(const K10Ranges& ranges);

// The error bit of a status letter (0 for '0' and letters without one).
int32_t K10StatusFlag(uint8_t letter);

// Texts as the device pads them, trimmed of " \t\n\r" at both ends and cut at a NUL.
std::string TrimK10Text(std::string_view text);

struct K10Identity {
    std::string model;
    std::string serialNumber;
};
// Model and serial number from a "P0" reply of at least 18 bytes.
std::optional<K10Identity> ParseK10Identity(std::span<const uint8_t> reply);
// True for the models the station drives: "K-..." and "KV-...".
bool IsK10Model(const std::string& model);

// The 96 slot names of a "D7" reply (at least 1922 bytes); erased slots read "Blank".
std::optional<std::vector<std::string>> ParseK10Names(std::span<const uint8_t> reply);

struct K10Measurement {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    uint8_t range = 0;
    uint8_t status = '0';
};
// An "N5" reply of at least 14 bytes.
std::optional<K10Measurement> ParseK10Measurement(std::span<const uint8_t> reply);

struct K10Matrix {
    uint8_t slot = 0;
    bool correction = false;  // the letter at offset 21 is 'C'
    // What the reply did not show as expected; the matrix is usable all the same.
    bool slotDiffers = false;      // byte 0 is not the slot asked for
    bool checksumDiffers = false;  // byte 128 is not the sum of bytes 0..127
    std::array<double, 5> reference{};
    Matrix3 correctionMatrix{};
    RgbMatrix rgbMatrix{};
};
// A matrix record for the slot asked for: nullopt when it is short, holds a coefficient that is
// not finite, or carries a correction matrix that cannot be inverted.
std::optional<K10Matrix> ParseK10Matrix(std::span<const uint8_t> reply, uint8_t slot);
// The warning for a usable record that did not show what was expected, or empty.
std::string K10MatrixWarning(const K10Matrix& matrix);

// The device's side, for the simulated K-10 and tests.
K10Bytes BuildK10Identity(const std::string& model, const std::string& serialNumber, const std::string& firmware);
// names[k] names slot k + 1; an empty name is an erased slot.
K10Bytes BuildK10Names(const std::vector<std::string>& names);
K10Bytes BuildK10Measurement(double X, double Y, double Z, uint8_t range, uint8_t status);
// name empty: an erased slot (the record, letter and text FF). madeWith: the text at 22-58.
K10Bytes BuildK10Matrix(uint8_t slot, const std::string& name, uint8_t letter, const std::string& madeWith,
                        const std::array<double, 5>& reference, const Matrix3& correction, const RgbMatrix& rgb);

}  // namespace halvo

// The K-10's records: the three-byte numbers, the range byte, status letters and every reply
// layout, from hand-written bytes and by mutating one valid record.

#include <gtest/gtest.h>

#include <cmath>

#include "instruments/k10/k10_protocol.h"

namespace halvo {
namespace {

TEST(K10Number, DecodesTheDocumentedValuesAndTheExponentEdges) {
    EXPECT_EQ(DecodeK10Value(0x40, 0x00, 0x00), 0.25);
    EXPECT_EQ(DecodeK10Value(0xC0, 0x00, 0x01), -0.5);
    EXPECT_EQ(DecodeK10Value(0x40, 0x00, 0xFF), 0.125);
    EXPECT_EQ(DecodeK10Value(0x40, 0x00, 128), std::ldexp(0.25, 128));   // 128 counts as +128
    EXPECT_EQ(DecodeK10Value(0x40, 0x00, 129), std::ldexp(0.25, -127));  // 129 as -127
    EXPECT_EQ(DecodeK10Value(0x7F, 0xFF, 0x00), 32767.0 / 65536.0);
    EXPECT_EQ(DecodeK10Value(0x00, 0x00, 0x07), 0.0);
    // Coefficients: the same bytes, twice the magnitude.
    EXPECT_EQ(DecodeK10Coefficient(0x40, 0x00, 0x00), 0.5);
    EXPECT_EQ(DecodeK10Coefficient(0xC0, 0x00, 0x01), -1.0);
}

TEST(K10Number, EncodingRoundTripsWithinTheFormatsResolution) {
    for (double v : {1e-6, 0.0123, 0.18, 0.25, 0.5, 1.0, 3.14159, 99.95, 265.0, 1234.5, 1e9}) {
        for (double s : {1.0, -1.0}) {
            const auto b = EncodeK10Value(s * v);
            EXPECT_NEAR(DecodeK10Value(b[0], b[1], b[2]), s * v, std::fabs(v) / 16384.0) << s * v;
            const auto c = EncodeK10Coefficient(s * v);
            EXPECT_NEAR(DecodeK10Coefficient(c[0], c[1], c[2]), s * v, std::fabs(v) / 16384.0) << s * v;
        }
    }
    // The hand-decoded bytes come back as they were.
    EXPECT_EQ(EncodeK10Value(0.25), (std::array<uint8_t, 3>{0x40, 0x00, 0x00}));
    EXPECT_EQ(EncodeK10Value(-0.5), (std::array<uint8_t, 3>{0xC0, 0x00, 0x01}));
    EXPECT_EQ(EncodeK10Value(0.125), (std::array<uint8_t, 3>{0x40, 0x00, 0xFF}));
    // Out of the format: zero, not-a-number, too large, too small.
    EXPECT_EQ(EncodeK10Value(0.0), (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(EncodeK10Value(std::nan("")), (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(EncodeK10Value(1e300), (std::array<uint8_t, 3>{0x7F, 0xFF, 128}));
    EXPECT_EQ(EncodeK10Value(1e-300), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(K10Ranges, DecodesTheRangeByteAndRoundTripsEveryCombination) {
    const K10Ranges ff = DecodeK10Ranges(0xFF);
    EXPECT_EQ(ff.red, 2);
    EXPECT_EQ(ff.green, 4);
    EXPECT_EQ(ff.blue, 4);
    const K10Ranges zero = DecodeK10Ranges(0x00);
    EXPECT_EQ(zero.red, 1);
    EXPECT_EQ(zero.green, 1);
    EXPECT_EQ(zero.blue, 1);
    for (int r = 1; r <= 6; ++r) {
        for (int g = 1; g <= 6; ++g) {
            for (int b = 1; b <= 6; ++b) {
                const K10Ranges back = DecodeK10Ranges(EncodeK10Ranges({r, g, b}));
                ASSERT_EQ(back.red, r);
                ASSERT_EQ(back.green, g);
                ASSERT_EQ(back.blue, b);
            }
        }
    }
}

TEST(K10Status, EachLetterSetsItsBit) {
    const std::pair<char, int32_t> table[] = {{'L', 0x40},  {'u', 0x100},  {'v', 0x200},       {'w', 0x400},
                                              {'t', 0x800}, {'s', 0x1000}, {'b', 0x2000},      {'X', 0x8000000},
                                              {'B', 0x8000000}, {'0', 0},  {'l', 0},           {' ', 0}};
    for (const auto& [letter, bit] : table) {
        EXPECT_EQ(K10StatusFlag(static_cast<uint8_t>(letter)), bit) << letter;
    }
}

TEST(K10Replies, IdentityTrimsItsFieldsAndTheModelRuleTakesKAndKv) {
    const K10Bytes reply = BuildK10Identity("K-10-A", "210400123", "13");
    ASSERT_EQ(reply.size(), kK10IdentityLength);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "P0K-10-A 21040012313\r");
    const auto id = ParseK10Identity(reply);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->model, "K-10-A");
    EXPECT_EQ(id->serialNumber, "210400123");
    const std::string padded = "P0\t KV-7\r\n  S-01  \r";
    EXPECT_EQ(ParseK10Identity(std::vector<uint8_t>(padded.begin(), padded.end()))->model, "KV-7");
    EXPECT_FALSE(ParseK10Identity(std::vector<uint8_t>(reply.begin(), reply.begin() + 17)));
    EXPECT_TRUE(IsK10Model("K-10-A"));
    EXPECT_TRUE(IsK10Model("KV-10"));
    EXPECT_FALSE(IsK10Model("/////"));
    EXPECT_FALSE(IsK10Model("CA-310"));
    EXPECT_FALSE(IsK10Model("K10"));
}

TEST(K10Replies, NamesMarkErasedSlotsBlankByTheirEleventhByte) {
    std::vector<std::string> names(96);
    names[0] = "Vorla WG-LCD";
    names[6] = "ZZZZZZZZZZZZZZZZ";
    names[7] = "ABCDEFGHIJ";
    names[95] = "  Last\t";
    K10Bytes reply = BuildK10Names(names);
    ASSERT_EQ(reply.size(), kK10NamesLength);
    EXPECT_EQ(reply[1922], 96);
    EXPECT_EQ(reply[1924], '\r');
    // Only the eleventh byte decides.
    reply[2 + 20 * 5 + 10] = 'Q';
    reply[2 + 20 * 6 + 10] = 0xFF;
    reply[2 + 20 * 7 + 3] = 0;  // a NUL ends a name
    const auto parsed = ParseK10Names(reply);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 96u);
    EXPECT_EQ((*parsed)[0], "Vorla WG-LCD");
    EXPECT_EQ((*parsed)[1], "Blank");
    EXPECT_NE((*parsed)[5], "Blank");
    EXPECT_EQ((*parsed)[6], "Blank");
    EXPECT_EQ((*parsed)[7], "ABC");
    EXPECT_EQ((*parsed)[95], "Last");
    EXPECT_FALSE(ParseK10Names(K10Bytes(1921, ' ')));
}

TEST(K10Replies, MeasurementCarriesValuesRangeAndStatusAtTheirOffsets) {
    const K10Bytes reply = BuildK10Measurement(95.04, 100.0, -0.5, 0xFF, 'L');
    ASSERT_EQ(reply.size(), kK10MeasurementLength);
    EXPECT_EQ(reply[0], 'N');
    EXPECT_EQ(reply[1], '5');
    EXPECT_EQ(reply[8], 0xC0);  // -0.5
    EXPECT_EQ(reply[9], 0x00);
    EXPECT_EQ(reply[10], 0x01);
    EXPECT_EQ(reply[14], '\r');
    const auto m = ParseK10Measurement(reply);
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->X, 95.04, 0.01);
    EXPECT_EQ(m->Y, 100.0);
    EXPECT_EQ(m->Z, -0.5);
    EXPECT_EQ(m->range, 0xFF);
    EXPECT_EQ(m->status, 'L');
    EXPECT_FALSE(ParseK10Measurement(std::span<const uint8_t>(reply.data(), 13)));
}

TEST(K10Replies, MatrixRecordIsCheckedAndItsGroupsSitAtTheirOffsets) {
    const Matrix3 correction = {{{0.97, -0.04, 0.02}, {-0.015, 1.01, -0.01}, {0.01, -0.032, 1.053}}};
    const RgbMatrix rgb = {{{3.0, -1.5, -0.5}, {-1.0, 1.9, 0.04}, {0.05, -0.2, 1.06}}};
    const std::array<double, 5> reference = {0.3127, 0.3290, 100.0, 0.0004, 0.0011};
    const K10Bytes reply = BuildK10Matrix(7, "Vorla WG-LCD", 'C', "made", reference, correction, rgb);
    ASSERT_EQ(reply.size(), kK10MatrixLength);
    EXPECT_EQ(reply[21], 'C');
    // The first coefficient of each group, by hand: 0.3127, 0.97 and 3.0 in coefficient form.
    const auto at = [&](size_t i) { return DecodeK10Coefficient(reply[i], reply[i + 1], reply[i + 2]); };
    EXPECT_NEAR(at(59), 0.3127, 1e-4);
    EXPECT_NEAR(at(74), 0.97, 1e-4);
    EXPECT_NEAR(at(101), 3.0, 1e-4);
    EXPECT_EQ(reply[129], '\r');
    EXPECT_EQ(reply[130], '\n');

    const auto m = ParseK10Matrix(reply, 7);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->correction);
    EXPECT_NEAR(m->reference[2], 100.0, 0.01);
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(m->correctionMatrix[r][c], correction[r][c], 1e-4);
            EXPECT_NEAR(m->rgbMatrix[r][c], rgb[r][c], 1e-4);
        }
    }
    EXPECT_FALSE(m->slotDiffers);
    EXPECT_FALSE(m->checksumDiffers);
    EXPECT_EQ(K10MatrixWarning(*m), "");
    // Neither the slot byte nor the sum is known to hold on every device: a reply that differs
    // there gives its matrix with a warning.
    const auto otherSlot = ParseK10Matrix(reply, 8);
    ASSERT_TRUE(otherSlot);
    EXPECT_TRUE(otherSlot->slotDiffers);
    EXPECT_NEAR(otherSlot->correctionMatrix[2][2], 1.053, 1e-4);
    EXPECT_EQ(K10MatrixWarning(*otherSlot), "its first byte is not the slot number");
    K10Bytes flipped = reply;
    flipped[80] ^= 0x10;
    const auto unsummed = ParseK10Matrix(flipped, 7);
    ASSERT_TRUE(unsummed);
    EXPECT_TRUE(unsummed->checksumDiffers);
    EXPECT_EQ(K10MatrixWarning(*unsummed), "its last byte is not the sum of the others");
    K10Bytes neither = reply;
    neither[0] = 0;
    neither[128] = 0;
    ASSERT_TRUE(ParseK10Matrix(neither, 7));
    // What cannot be used is refused: a short record, a correction that cannot be inverted.
    EXPECT_FALSE(ParseK10Matrix(std::span<const uint8_t>(reply.data(), 130), 7));
    const Matrix3 flat = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {1.0, 1.0, 0.0}}};
    EXPECT_FALSE(ParseK10Matrix(BuildK10Matrix(7, "Flat", 'C', "", reference, flat, rgb), 7));
    // The same in a slot without a correction is never applied, so it does not matter.
    EXPECT_TRUE(ParseK10Matrix(BuildK10Matrix(7, "Flat", 'R', "", reference, flat, rgb), 7));
    const K10Bytes factory = BuildK10Matrix(0, "Factory Cal File", 'F', "", reference, correction, rgb);
    ASSERT_TRUE(ParseK10Matrix(factory, 0));
    EXPECT_FALSE(ParseK10Matrix(factory, 0)->correction);
    const K10Bytes erased = BuildK10Matrix(9, "", 0, "", reference, correction, rgb);
    ASSERT_TRUE(ParseK10Matrix(erased, 9));
    EXPECT_FALSE(ParseK10Matrix(erased, 9)->correction);
}

}  // namespace
}  // namespace halvo

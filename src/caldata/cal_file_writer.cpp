// The .cal writer: exactly the lines of the format, in their order, CR LF.

#include "caldata/cal_file.h"
#include "common/text_format.h"

namespace halvo {

const std::array<const char*, kColorSpaceCount> kLut3DNames = {"_BT_709_", "_SMPTE_C_", "_EBU_", "_NTSC_",
                                                                "_D_CINEMA_"};

namespace {

class LineWriter {
public:
    explicit LineWriter(size_t reserve) { out_.reserve(reserve); }
    void line(const std::string& text) {
        out_ += text;
        out_ += "\r\n";
    }
    void line(const char* text) {
        out_ += text;
        out_ += "\r\n";
    }
    // The 3D-table entry lines are four fifths of the file; a table lookup keeps them from
    // dominating the time a save takes.
    void lutLine(uint8_t a, uint8_t b, uint8_t c) {
        for (const uint8_t v : {a, b, c}) {
            out_ += kPadded[v];
            out_ += '\t';
        }
        out_ += "\r\n";
    }
    std::string take() { return std::move(out_); }

private:
    struct PaddedBytes {
        std::array<std::string, 256> text;
        PaddedBytes() {
            for (int v = 0; v < 256; ++v) {
                text[static_cast<size_t>(v)] = Format("%3d", v);
            }
        }
        const std::string& operator[](uint8_t v) const { return text[v]; }
    };
    static inline const PaddedBytes kPadded{};
    std::string out_;
};

std::string Join(const std::string* texts, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += ',';
        out += texts[i];
    }
    return out;
}

}  // namespace

std::string WriteCalFile(const CalibrationData& d) {
    LineWriter w(700u * 1024u);
    w.line(kCalFileHeader);
    w.line("_VERSION_");
    w.line(Format("X,%1.2f", static_cast<double>(d.version)));
    w.line("_BIT_");
    w.line(Format("P,%d", d.bitDepth));
    w.line("I," + d.calibrationId);
    w.line("_PANEL_");
    w.line("A," + d.gammaText);
    w.line("B," + d.temperatureText);
    w.line("D," + d.backlightText);
    w.line("_UNI_");
    w.line("U" + Join(d.uniformityTexts.data(), d.uniformityTexts.size()));
    const UniformitySettings& u = d.uniformity;
    if (d.bitDepth == 1) {
        w.line(Format("V,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d", u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9]));
    } else {
        w.line(Format("V,%d,%d,%d", u[0], u[1], u[2]));
    }
    w.line("_GAMMA_");
    w.line(Format("T,%1.2f", d.targetGamma));
    const int code = d.panelGammaCode[0];
    w.line(Format("O,%d,%d,%d,%d,%d,%d", code, code, code, code, code, code));
    for (int i = 0; i < kGammaTableSize; ++i) {
        w.line(Format("M,%d,%d", i, d.gammaTable[static_cast<size_t>(i)]));
    }

    if (d.levelCount < 2) {
        w.line("_SPACE_");
        for (int id = 0; id < kColorSpaceCount; ++id) {
            for (int slot = 0; slot < kColorSlotCount; ++slot) {
                const ColorSpaceEntry& e = d.entry(id, slot, 0);
                w.line(Format("C,%d,%d,%6.4lf,%6.4lf,%6.1lf,%6.4lf,%d,%d,%d", id, slot, e.reading.x, e.reading.y,
                              e.reading.lv, e.reading.duv, e.r, e.g, e.b));
            }
        }
    } else {
        w.line(d.priority ? "_SPACE3_" : "_SPACE2_");
        for (int id = 0; id < kColorSpaceCount; ++id) {
            if ((d.colorSpaceMask & (1u << id)) == 0) {
                continue;
            }
            for (int slot = 0; slot < kColorSlotCount; ++slot) {
                for (int level = 0; level < kLevelCount; ++level) {
                    const ColorSpaceEntry& e = d.entry(id, slot, level);
                    w.line(Format("S,%d,%d,%d,%6.4lf,%6.4lf,%6.1lf,%6.4lf,%d,%d,%d", id, slot, level, e.reading.x,
                                  e.reading.y, e.reading.lv, e.reading.duv, e.r, e.g, e.b));
                }
            }
        }
    }

    w.line("_GAIN_");
    for (int row = 0; row < kWhiteRowCount; ++row) {
        const GainRowTexts& texts = d.gainTexts[static_cast<size_t>(row)];
        w.line(Format("G,%d", row) + Join(texts.data(), texts.size()));
    }

    w.line("_3D_LUT_");
    for (int id = 0; id < kColorSpaceCount; ++id) {
        w.line(kLut3DSeparator);
        w.line(kLut3DNames[static_cast<size_t>(id)]);
        const Lut3D& table = d.lut3d[static_cast<size_t>(id)];
        for (size_t i = 0; i < table.size(); i += 3) {
            w.lutLine(table[i], table[i + 1], table[i + 2]);
        }
    }
    w.line("");
    w.line("_END_");
    return w.take();
}

}  // namespace halvo

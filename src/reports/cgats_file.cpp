#include "reports/cgats_file.h"

#include <filesystem>

#include "common/file_io.h"
#include "common/text_format.h"
#include "reports/chart_model.h"

namespace halvo {

namespace {

// The names the CTI3 format knows for the instruments it has met; the others are named in the
// station's own keyword only.
const char* KnownInstrumentName(const std::string& station) {
    if (station == "K-10") {
        return "Klein K-10";
    }
    if (station == "Spyder4") {
        return "Datacolor Spyder4";
    }
    if (station == "i1 Display") {
        return "X-Rite i1 DisplayPro, ColorMunki Display";
    }
    return nullptr;
}

// A value for a quoted CGATS field: the format has no escape for the quote itself.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? '\'' : (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out + "\"";
}

std::string SpaceFileName(int colorSpace) {
    std::string name = kMeasureSpaceNames[static_cast<size_t>(colorSpace)];
    std::erase(name, '.');
    return name;
}

std::string Table(const ColorSpacePatches& s, const CgatsHeader& h, bool target) {
    const Xyz& white = target ? s.targetWhite : s.measuredWhite;
    const double scale = white.Y > 0.0 ? 100.0 / white.Y : 1.0;
    const char* space = kMeasureSpaceNames[static_cast<size_t>(s.colorSpace)];
    std::string out = "CTI3\n\n";
    out += "DESCRIPTOR " +
           Quoted(Format("%s of %s, %s", target ? "Verification targets" : "Verification readings", h.monitor.c_str(),
                         space)) +
           "\n";
    out += "ORIGINATOR " + Quoted(h.originator) + "\n";
    out += "CREATED " + Quoted(h.created) + "\n";
    out += "KEYWORD \"HALVO_CALIBRATION_ID\"\nHALVO_CALIBRATION_ID " + Quoted(h.calibrationId) + "\n";
    out += "KEYWORD \"HALVO_COLOR_SPACE\"\nHALVO_COLOR_SPACE " + Quoted(space) + "\n";
    if (!target) {
        out += "KEYWORD \"HALVO_INSTRUMENT\"\nHALVO_INSTRUMENT " + Quoted(h.instrument) + "\n";
        if (const char* known = KnownInstrumentName(h.instrument)) {
            out += "TARGET_INSTRUMENT " + Quoted(known) + "\n";
        }
        out += Format("INSTRUMENT_TYPE_SPECTRAL \"%s\"\n", h.instrument == "PELKO" ? "YES" : "NO");
    }
    out += "DEVICE_CLASS \"DISPLAY\"\nCOLOR_REP \"RGB_XYZ\"\n";
    out += Format("LUMINANCE_XYZ_CDM2 \"%.6f %.6f %.6f\"\n", white.X, white.Y, white.Z);
    out += "NORMALIZED_TO_Y_100 \"YES\"\n\n";
    out += "KEYWORD \"SAMPLE_NAME\"\nNUMBER_OF_FIELDS 8\nBEGIN_DATA_FORMAT\n";
    out += "SAMPLE_ID SAMPLE_NAME RGB_R RGB_G RGB_B XYZ_X XYZ_Y XYZ_Z\nEND_DATA_FORMAT\n\n";
    out += Format("NUMBER_OF_SETS %zu\nBEGIN_DATA\n", s.patches.size());
    int id = 1;
    for (const VerifiedPatch& p : s.patches) {
        const Xyz& v = target ? p.target : p.measured;
        out += Format("%d %s %.4f %.4f %.4f %.6f %.6f %.6f\n", id++, Quoted(p.name).c_str(), p.r * 100.0 / 255.0,
                      p.g * 100.0 / 255.0, p.b * 100.0 / 255.0, v.X * scale, v.Y * scale, v.Z * scale);
    }
    out += "END_DATA\n";
    return out;
}

}  // namespace

std::string MeasuredCgats(const ColorSpacePatches& patches, const CgatsHeader& header) {
    return Table(patches, header, false);
}

std::string TargetCgats(const ColorSpacePatches& patches, const CgatsHeader& header) {
    return Table(patches, header, true);
}

std::string CgatsPathFor(const std::string& path, int colorSpace, bool target) {
    std::filesystem::path p(path);
    const std::string stem = p.stem().string();
    p.replace_filename(stem + "_" + SpaceFileName(colorSpace) + (target ? "_target" : "") + ".ti3");
    return p.string();
}

bool WriteCgatsFiles(const std::string& path, const std::vector<ColorSpacePatches>& spaces, const CgatsHeader& header,
                     std::vector<std::string>* written, std::string* error) {
    for (const ColorSpacePatches& s : spaces) {
        std::vector<std::pair<std::string, std::string>> files = {
            {CgatsPathFor(path, s.colorSpace, false), MeasuredCgats(s, header)}};
        if (s.targeted && s.targetWhite.Y > 0.0) {
            files.emplace_back(CgatsPathFor(path, s.colorSpace, true), TargetCgats(s, header));
        }
        for (const auto& [file, text] : files) {
            if (!WriteFileAtomically(file, text, error)) {
                return false;
            }
            if (written != nullptr) {
                written->push_back(file);
            }
        }
    }
    return true;
}

}  // namespace halvo

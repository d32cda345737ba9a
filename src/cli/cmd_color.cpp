// halvo-cli color: the colorimetric evaluation of one colour, as the station computes it for a
// reading or a target.

#include <string>

#include "cli/json_writer.h"
#include "cli/subcommand.h"
#include "colorimetry/chromaticity.h"
#include "colorimetry/ciede2000.h"
#include "colorimetry/evaluation.h"
#include "colorimetry/locus_tables.h"
#include "colorimetry/robertson_cct.h"
#include "colorimetry/white_sources.h"
#include "common/text_format.h"

namespace halvo::cli {
namespace {

int RunColor(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kColorCommand = {
    "color",
    "evaluate a colour (chromaticity, CCT, Duv, CIELAB) or the CIEDE2000 of two",
    "usage: halvo-cli color xyY <x> <y> <Y> [--json]\n"
    "       halvo-cli color XYZ <X> <Y> <Z> [--json]\n"
    "       halvo-cli color kelvin <T> [--lv <Y>] [--alternate-whites] [--json]\n"
    "       halvo-cli color source <A|B|C|D65|E> [--lv <Y>] [--json]\n"
    "       halvo-cli color de2000 <L1> <a1> <b1> <L2> <a2> <b2> [--json]\n\n"
    "Prints the station's reading of the colour (CIE 1931 x, y; CIE 1976 u', v'; CIE 1960 v;\n"
    "colour temperature by isotemperature lines and Duv by Ohno's polynomial) and its full\n"
    "evaluation (XYZ, linear RGB, colour temperature and Duv on the locus spline, dominant\n"
    "wavelength, CIELAB against D50, error flags).\n\n"
    "  xyY      chromaticity x, y and luminance Y in cd/m2\n"
    "  XYZ      tristimulus values, Y in cd/m2\n"
    "  kelvin   the white-point target of a temperature, 1000..25000 K\n"
    "  source   the white-point target of a named source (Source A, B, C, D65, E)\n"
    "  de2000   the CIEDE2000 colour difference of two CIELAB colours (kL = kC = kH = 1), as the\n"
    "           certificate and the verification's figures use it\n"
    "  --lv Y             target luminance for kelvin and source (default 100 cd/m2)\n"
    "  --alternate-whites targets as for a TXM-600-HD-S monitor: 7000 K is (0.307, 0.318)\n"
    "                     and 6500 K the Planckian point instead of D65\n"
    "  --json             one JSON object: \"reading\", \"record\", \"robertsonCct\" (de2000:\n"
    "                     \"first\", \"second\", \"deltaE2000\")\n",
    RunColor,
};

namespace {

std::string FlagsText(int32_t flags) {
    if (flags == 0) {
        return "0 (none)";
    }
    std::string text = Format("%d (", flags);
    const char* sep = "";
    if (flags & kFlagUnusableInput) {
        text += sep;
        text += "unusable input";
        sep = ", ";
    }
    if (flags & kFlagNoDominantWavelength) {
        text += sep;
        text += "no dominant wavelength";
        sep = ", ";
    }
    if (flags & kFlagFarFromLocus) {
        text += sep;
        text += "farther than 0.05 from the locus";
    }
    return text + ")";
}

void PrintText(CliIo& io, const std::string& input, const ColorReading& r, const ColorimetricRecord& e,
               int32_t robertson) {
    std::FILE* o = io.out;
    std::fprintf(o, "Input            %s\n", input.c_str());
    std::fprintf(o, "Reading\n");
    std::fprintf(o, "  x, y           %.6f  %.6f\n", r.x, r.y);
    std::fprintf(o, "  u', v'         %.6f  %.6f\n", r.u, r.vp);
    std::fprintf(o, "  v (CIE 1960)   %.6f\n", r.v);
    std::fprintf(o, "  Lv             %.4f cd/m2\n", r.lv);
    std::fprintf(o, "  T              %d K (isotemperature lines; 0 = none)\n", r.cct);
    std::fprintf(o, "  Duv            %+.6f (Ohno polynomial)\n", r.duv);
    std::fprintf(o, "Evaluation\n");
    std::fprintf(o, "  X, Y, Z        %.6f  %.6f  %.6f\n", e.X, e.Y, e.Z);
    std::fprintf(o, "  x, y           %.6f  %.6f\n", e.x, e.y);
    std::fprintf(o, "  u', v'         %.6f  %.6f\n", e.u, e.vp);
    std::fprintf(o, "  r, g, b        %.6f  %.6f  %.6f (linear)\n", e.r, e.g, e.b);
    std::fprintf(o, "  T              %.2f K (locus spline; 0 = out of reach)\n", e.cct);
    std::fprintf(o, "  Duv            %+.6f (locus spline)\n", e.duv);
    std::fprintf(o, "  Dominant       %.2f nm (distance to the locus %+.6f)\n", e.dominantWavelength,
                 e.locusDistance);
    std::fprintf(o, "  L*, a*, b*     %.4f  %.4f  %.4f\n", e.lStar, e.aStar, e.bStar);
    std::fprintf(o, "  C*, hue        %.4f  %.4f rad\n", e.cStar, e.hue);
    std::fprintf(o, "  Error flags    %s\n", FlagsText(e.errorFlags).c_str());
    std::fprintf(o, "Robertson CCT    %d K (-1 = outside the isotemperature lines)\n", robertson);
}

void PrintJson(CliIo& io, const std::string& kind, const double values[3], const ColorReading& r,
               const ColorimetricRecord& e, int32_t robertson) {
    JsonWriter j;
    j.beginObject();
    j.beginObject("input").string("kind", kind).beginArray("values");
    for (int i = 0; i < 3; ++i) {
        j.number(nullptr, values[i]);
    }
    j.endArray().endObject();
    j.beginObject("reading")
        .integer("cct", r.cct)
        .number("x", r.x)
        .number("y", r.y)
        .number("u", r.u)
        .number("v", r.v)
        .number("vp", r.vp)
        .number("duv", r.duv)
        .number("lv", r.lv)
        .number("du", r.du)
        .number("dv", r.dv)
        .number("dl", r.dl)
        .number("de", r.de)
        .endObject();
    j.beginObject("record")
        .number("x", e.x)
        .number("y", e.y)
        .number("X", e.X)
        .number("Y", e.Y)
        .number("Z", e.Z)
        .number("rawX", e.rawX)
        .number("rawY", e.rawY)
        .number("rawZ", e.rawZ)
        .number("r", e.r)
        .number("g", e.g)
        .number("b", e.b)
        .number("u", e.u)
        .number("vp", e.vp)
        .number("dominantWavelength", e.dominantWavelength)
        .number("locusDistance", e.locusDistance)
        .number("lStar", e.lStar)
        .number("aStar", e.aStar)
        .number("bStar", e.bStar)
        .number("cStar", e.cStar)
        .number("hue", e.hue)
        .integer("redRange", e.redRange)
        .integer("greenRange", e.greenRange)
        .integer("blueRange", e.blueRange)
        .number("cct", e.cct)
        .number("duv", e.duv)
        .integer("errorFlags", e.errorFlags)
        .integer("averagedCount", e.averagedCount)
        .endObject();
    j.integer("robertsonCct", robertson);
    j.endObject();
    std::fprintf(io.out, "%s\n", j.text().c_str());
}

// Source names accepted on the command line, for target codes 0..4.
int SourceCode(const std::string& name) {
    static const char* const names[kNamedWhiteSourceCount] = {"A", "B", "C", "D65", "E"};
    for (int i = 0; i < kNamedWhiteSourceCount; ++i) {
        if (name == names[i] || name == std::string("Source ") + names[i]) {
            return i;
        }
    }
    return -1;
}

int RunDe2000(const std::vector<std::string>& pos, bool json, CliIo& io) {
    const Subcommand& self = kColorCommand;
    if (pos.size() != 7) {
        return UsageError(self, io, "de2000 needs six numbers: L1 a1 b1 L2 a2 b2");
    }
    double v[6];
    for (size_t i = 0; i < 6; ++i) {
        const auto parsed = ParseDouble(pos[i + 1]);
        if (!parsed) {
            return UsageError(self, io, "not a number: " + pos[i + 1]);
        }
        v[i] = *parsed;
    }
    const Lab first{v[0], v[1], v[2]};
    const Lab second{v[3], v[4], v[5]};
    const double de = Ciede2000(first, second);
    if (json) {
        JsonWriter j;
        j.beginObject();
        for (const auto& [key, lab] : {std::pair<const char*, const Lab&>{"first", first}, {"second", second}}) {
            j.beginObject(key).number("L", lab.L).number("a", lab.a).number("b", lab.b).endObject();
        }
        j.number("deltaE2000", de).endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
    } else {
        std::fprintf(io.out, "L*a*b* 1         %.4f  %.4f  %.4f\n", first.L, first.a, first.b);
        std::fprintf(io.out, "L*a*b* 2         %.4f  %.4f  %.4f\n", second.L, second.a, second.b);
        std::fprintf(io.out, "CIEDE2000        %.4f\n", de);
    }
    return kExitOk;
}

int RunColor(Args& args, CliIo& io) {
    const Subcommand& self = kColorCommand;
    const bool json = args.takeFlag("--json");
    const bool alternate = args.takeFlag("--alternate-whites");
    const std::optional<std::string> lvText = args.takeOption("--lv");
    const std::vector<std::string> pos = args.positionals();
    if (!args.error().empty()) {
        return UsageError(self, io, args.error());
    }
    if (pos.empty()) {
        return UsageError(self, io, "missing the input form (xyY, XYZ, kelvin, source or de2000)");
    }
    const std::string& kind = pos[0];
    if (kind == "de2000") {
        if (lvText || alternate) {
            return UsageError(self, io, "--lv and --alternate-whites apply to kelvin and source only");
        }
        return RunDe2000(pos, json, io);
    }
    double lv = 100.0;
    if (lvText) {
        const auto parsed = ParseDouble(*lvText);
        if (!parsed || *parsed < 0.0) {
            return UsageError(self, io, "--lv needs a luminance of 0 or more");
        }
        lv = *parsed;
    }
    if ((kind == "xyY" || kind == "XYZ") && (lvText || alternate)) {
        return UsageError(self, io, "--lv and --alternate-whites apply to kelvin and source only");
    }

    ColorReading reading;
    ColorimetricRecord record;
    double values[3] = {0.0, 0.0, 0.0};
    std::string input;
    if (kind == "xyY" || kind == "XYZ") {
        if (pos.size() != 4) {
            return UsageError(self, io, kind + " needs three numbers");
        }
        for (int i = 0; i < 3; ++i) {
            const auto v = ParseDouble(pos[i + 1]);
            if (!v) {
                return UsageError(self, io, "not a number: " + pos[i + 1]);
            }
            values[i] = *v;
        }
        if (kind == "xyY") {
            ReadingFromChromaticity(values[0], values[1], values[2], reading);
            record = EvaluateXyY(values[0], values[1], values[2]);
        } else {
            // As the measurement cycle does: the reading from the evaluated chromaticity.
            record = EvaluateXyz(values[0], values[1], values[2]);
            ReadingFromChromaticity(record.x, record.y, record.Y, reading);
        }
        input = Format("%s %g %g %g", kind.c_str(), values[0], values[1], values[2]);
    } else if (kind == "kelvin" || kind == "source") {
        if (pos.size() != 2) {
            return UsageError(self, io, kind + " needs one argument");
        }
        int32_t code = 0;
        if (kind == "kelvin") {
            const auto t = ParseLong(pos[1]);
            if (!t || *t < kPlanckianFirstKelvin || *t > kPlanckianLastKelvin) {
                return UsageError(self, io, "kelvin needs a whole temperature from 1000 to 25000");
            }
            code = static_cast<int32_t>(*t);
        } else {
            code = SourceCode(pos[1]);
            if (code < 0) {
                return UsageError(self, io, "unknown source " + pos[1] + " (A, B, C, D65 or E)");
            }
        }
        reading = *WhiteTargetReading(code, lv, alternate);
        record = EvaluateXyY(reading.x, reading.y, lv);
        values[0] = code;
        values[1] = lv;
        values[2] = alternate ? 1.0 : 0.0;
        input = Format("%s (%s) at %g cd/m2%s", kind.c_str(), WhiteTargetLabel(code).c_str(), lv,
                       alternate ? ", alternate whites" : "");
    } else {
        return UsageError(self, io, "unknown input form '" + kind + "'");
    }

    const int32_t robertson = RobertsonCct(reading.u, reading.v);
    if (json) {
        PrintJson(io, kind, values, reading, record, robertson);
    } else {
        PrintText(io, input, reading, record, robertson);
    }
    return kExitOk;
}

}  // namespace
}  // namespace halvo::cli

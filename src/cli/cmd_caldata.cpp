// halvo-cli caldata: what a calibration data file holds, and a station log turned into one.

#include <algorithm>
#include <string>

#include "caldata/cal_file.h"
#include "caldata/calib_page.h"
#include "caldata/color_space_targets.h"
#include "caldata/log_import.h"
#include "cli/json_writer.h"
#include "cli/subcommand.h"
#include "common/file_io.h"
#include "common/text_format.h"
#include "common/version.h"

namespace halvo::cli {
namespace {

int RunCaldata(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kCaldataCommand = {
    "caldata",
    "show a calibration data file (.cal), or make one from a station log",
    "usage: halvo-cli caldata show <file.cal> [--json]\n"
    "       halvo-cli caldata import-log <log.txt> --out <file.cal>\n\n"
    "show        prints what the file holds as the Calibration page would load it: version,\n"
    "            calibration ID, bit depth, which data are present, the gamma table, the\n"
    "            colour-temperature gains, the colour spaces and their levels, the 3D tables,\n"
    "            and the lines the page would ignore. A name with .txt in it is read as a\n"
    "            station log, as the page does.\n"
    "import-log  rebuilds the calibration data a station log records (the page's Load of a\n"
    "            .txt file) and saves it as a .cal file (the page's Save).\n"
    "  --json    one JSON object instead of the text\n",
    RunCaldata,
};

namespace {

constexpr size_t kMaxInputBytes = 64u * 1024u * 1024u;

std::string FileTitle(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

struct GammaStats {
    int minimum = 0;
    int maximum = 0;
    bool increasing = true;  // strictly, from entry 1 on
};

GammaStats Stats(const GammaToLvTable& t) {
    GammaStats s;
    s.minimum = *std::min_element(t.begin(), t.end());
    s.maximum = *std::max_element(t.begin(), t.end());
    for (size_t i = 1; i < t.size(); ++i) {
        s.increasing = s.increasing && t[i] > t[i - 1];
    }
    return s;
}

int NonZero(const Lut3D& table) {
    return static_cast<int>(std::count_if(table.begin(), table.end(), [](uint8_t b) { return b != 0; }));
}

std::string MaskNames(uint8_t mask) {
    std::string names;
    for (int i = 0; i < kColorSpaceCount; ++i) {
        if (mask & (1u << i)) {
            names += names.empty() ? "" : ", ";
            names += kColorSpaceBoxNames[static_cast<size_t>(i)];
        }
    }
    return names.empty() ? "none" : names;
}

const char* Presence(bool present) { return present ? "present" : "absent"; }

void PrintText(CliIo& io, const std::string& path, bool log, const CalFileLoad& load) {
    std::FILE* o = io.out;
    const CalibrationData& d = load.data;
    std::fprintf(o, "File               %s%s\n", path.c_str(), log ? " (station log, imported)" : "");
    std::fprintf(o, "Version            %.2f\n", static_cast<double>(d.fileVersion));
    std::fprintf(o, "Calibration ID     %s\n", d.calibrationId.c_str());
    std::fprintf(o, "Bit depth          %s\n", d.bitDepth == 1 ? "10 bit" : "8 bit");
    std::fprintf(o, "Panel fields       Gamma \"%s\", T(K) \"%s\", Back light \"%s\"\n",
                 load.gammaText.value_or("").c_str(), load.temperatureText.value_or("").c_str(),
                 load.backlightText.value_or("").c_str());
    const GammaStats g = Stats(d.gammaTable);
    std::fprintf(o, "Gamma              %s, target %.2f, panel gamma codes %d %d %d %d %d %d\n",
                 Presence(d.gammaPresent), d.targetGamma, d.panelGammaCode[0], d.panelGammaCode[1],
                 d.panelGammaCode[2], d.panelGammaCode[3], d.panelGammaCode[4], d.panelGammaCode[5]);
    std::fprintf(o, "Gamma table        %d .. %d (cd/m2 x 100), %s\n", g.minimum, g.maximum,
                 g.increasing ? "strictly increasing" : "not strictly increasing");
    std::fprintf(o, "Uniformity         %s, settings", Presence(d.uniformityPresent));
    for (const uint8_t v : d.uniformity) {
        std::fprintf(o, " %d", v);
    }
    std::fprintf(o, "\n                   T-L..B-R");
    for (const std::string& t : d.uniformityTexts) {
        std::fprintf(o, " [%s]", t.c_str());
    }
    std::fprintf(o, "\nColour space       %s%s, spaces %s (mask 0x%02X)\n", Presence(d.colorSpacePresent),
                 load.colorSpaceRefused ? " (8-bit: the page refuses the Color Space box)" : "",
                 MaskNames(d.colorSpaceMask).c_str(), d.colorSpaceMask);
    std::fprintf(o, "Levels             %s, level count %d%s\n", load.levelChecked ? "several" : "one",
                 d.levelCount, load.priorityChecked ? ", white priority" : "");
    std::fprintf(o, "Colour temperature gains (R G B)\n");
    for (size_t r = 0; r < d.targetGains.size(); ++r) {
        std::fprintf(o, "  row %zu           %3d %3d %3d   T(K) \"%s\"\n", r, d.targetGains[r][0], d.targetGains[r][1],
                     d.targetGains[r][2], d.gainTexts[r][3].c_str());
    }
    std::fprintf(o, "3D tables          ");
    for (size_t t = 0; t < d.lut3d.size(); ++t) {
        std::fprintf(o, "%s%s %d", t ? ", " : "", kColorSpaceListNames[t], NonZero(d.lut3d[t]));
    }
    std::fprintf(o, " non-zero bytes of 12288\n");
    std::fprintf(o, "Ignored lines      %d\n", load.ignoredLines);
    for (const std::string& w : load.warnings) {
        std::fprintf(o, "  %s\n", w.c_str());
    }
}

void PrintJson(CliIo& io, const std::string& path, bool log, const CalFileLoad& load) {
    const CalibrationData& d = load.data;
    const GammaStats g = Stats(d.gammaTable);
    JsonWriter j;
    j.beginObject();
    j.string("file", path).boolean("log", log);
    j.number("version", static_cast<double>(d.fileVersion));
    j.string("calibrationId", d.calibrationId);
    j.integer("bitDepth", d.bitDepth);
    j.string("gammaText", load.gammaText.value_or("")).string("temperatureText", load.temperatureText.value_or(""));
    j.string("backlightText", load.backlightText.value_or(""));
    j.beginObject("present")
        .boolean("gamma", d.gammaPresent)
        .boolean("uniformity", d.uniformityPresent)
        .boolean("colorSpace", d.colorSpacePresent)
        .boolean("colorTemperature", d.targetGains[0][0] != 0)
        .endObject();
    j.number("targetGamma", d.targetGamma);
    j.beginArray("panelGammaCode");
    for (const uint8_t c : d.panelGammaCode) {
        j.integer(nullptr, c);
    }
    j.endArray();
    j.beginObject("gammaTable")
        .integer("min", g.minimum)
        .integer("max", g.maximum)
        .boolean("strictlyIncreasing", g.increasing)
        .endObject();
    j.beginArray("uniformitySettings");
    for (const uint8_t v : d.uniformity) {
        j.integer(nullptr, v);
    }
    j.endArray();
    j.beginArray("uniformityTexts");
    for (const std::string& t : d.uniformityTexts) {
        j.string(nullptr, t);
    }
    j.endArray();
    j.integer("colorSpaceMask", d.colorSpaceMask).boolean("colorSpaceRefused", load.colorSpaceRefused);
    j.integer("levelCount", d.levelCount).boolean("levels", load.levelChecked);
    j.boolean("whitePriority", load.priorityChecked);
    j.beginArray("targetGains");
    for (const Rgb8& rgb : d.targetGains) {
        j.beginArray().integer(nullptr, rgb[0]).integer(nullptr, rgb[1]).integer(nullptr, rgb[2]).endArray();
    }
    j.endArray();
    j.beginArray("lut3dNonZero");
    for (const Lut3D& t : d.lut3d) {
        j.integer(nullptr, NonZero(t));
    }
    j.endArray();
    j.integer("ignoredLines", load.ignoredLines);
    j.beginArray("warnings");
    for (const std::string& w : load.warnings) {
        j.string(nullptr, w);
    }
    j.endArray();
    j.endObject();
    std::fprintf(io.out, "%s\n", j.text().c_str());
}

int Show(CliIo& io, const std::string& path, bool json) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, &error, kMaxInputBytes)) {
        std::fprintf(io.err, "halvo-cli caldata: %s\n", error.c_str());
        return kExitFailure;
    }
    const bool log = IsLogPath(path);
    const std::string id = FileTitle(path).substr(0, 9);
    const CalFileLoad load = log ? ImportLog(text, id) : ReadCalFile(text, id);
    if (!load.formatOk) {
        std::fprintf(io.err, "halvo-cli caldata: %s: %s\n", path.c_str(), kFormatMessage);
        return kExitFailure;
    }
    if (json) {
        PrintJson(io, path, log, load);
    } else {
        PrintText(io, path, log, load);
    }
    return kExitOk;
}

struct DiscardSink : CommandSink {
    void postOperatorCommand(int, int) override {}
};

int ImportLogFile(CliIo& io, const std::string& path, const std::string& out) {
    // The page's own Load and Save, so that the file is the one the station would write.
    DiscardSink sink;
    QuietStationUi ui;
    StationLog log;
    Ccalib page(sink, ui, log);
    page.programVersion = kVersionMajor + kVersionMinor / 10.0;
    const bool ok = page.loadFile(path) && page.saveFile(out);
    for (std::string m : ui.messages) {
        if (!m.empty() && m.back() == '\n') {
            m.pop_back();
        }
        std::fprintf(ok ? io.out : io.err, "%s\n", m.c_str());
    }
    std::fputs(log.text().c_str(), io.err);
    return ok ? kExitOk : kExitFailure;
}

int RunCaldata(Args& args, CliIo& io) {
    const Subcommand& self = kCaldataCommand;
    const bool json = args.takeFlag("--json");
    const std::optional<std::string> out = args.takeOutput("--out", OutputKind::File);
    const std::vector<std::string> pos = args.positionals();
    if (!args.error().empty()) {
        return UsageError(self, io, args.error());
    }
    if (pos.empty() || (pos[0] != "show" && pos[0] != "import-log")) {
        return UsageError(self, io, "say show <file.cal> or import-log <log.txt> --out <file.cal>");
    }
    if (pos.size() != 2) {
        return UsageError(self, io, "one file at a time");
    }
    if (pos[0] == "show") {
        if (out) {
            return UsageError(self, io, "--out belongs to import-log");
        }
        return Show(io, pos[1], json);
    }
    if (json) {
        return UsageError(self, io, "--json belongs to show");
    }
    if (!out) {
        return UsageError(self, io, "import-log needs --out <file.cal>");
    }
    if (!IsLogPath(pos[1])) {
        return UsageError(self, io, "a station log's name holds .txt (anything else is read as a .cal file)");
    }
    std::string error;
    if (!PrepareOutput(*out, OutputKind::File, &error)) {
        std::fprintf(io.err, "halvo-cli caldata: %s\n", error.c_str());
        return kExitFailure;
    }
    return ImportLogFile(io, pos[1], *out);
}

}  // namespace
}  // namespace halvo::cli

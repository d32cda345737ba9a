#include "cli/colour_space_summary.h"

#include <cmath>
#include <functional>

namespace halvo::cli {
namespace {

struct Row {
    int space;
    int slot;
    int level;
    const ColorSpaceEntry& entry;
    ColorReading target;
    int iterations;
};

// Every colour and level the last run searched, in the order it searched them.
void ForEachSearched(CHalvoDlg& station, const std::function<void(const Row&)>& visit) {
    Ccalib& page = station.calib();
    const ColourSpaceCalibration& cs = station.engine().colourSpace();
    for (int n = 0; n < kColorSpaceCount; ++n) {
        for (int o = 0; o < kColorSlotCount; ++o) {
            for (int p = 0; p < kLevelStorage; ++p) {
                const int iterations =
                    cs.iterations[static_cast<size_t>(n)][static_cast<size_t>(o)][static_cast<size_t>(p)];
                if (iterations == 0) {
                    continue;
                }
                const ColorReading target = ColorSpaceTargetReading(
                    page.colorSpaceTargets[static_cast<size_t>(n)][static_cast<size_t>(o)], p);
                visit({n, o, p, page.data.entry(n, o, p), target, iterations});
            }
        }
    }
}

}  // namespace

void PrintColourSpaceSummary(std::FILE* out, CHalvoDlg& station) {
    bool header = false;
    ForEachSearched(station, [&](const Row& r) {
        if (!header) {
            std::fprintf(out, "Colour space  Level  Colour      du'      dv'      Lv  target    R    G    B  iterations\n");
            header = true;
        }
        const ColorReading& a = r.entry.reading;
        std::fprintf(out, "%-12s %5d  %-8s %+8.5f %+8.5f %7.2f %7.2f %4d %4d %4d %5d\n",
                     kColorSpaceListNames[static_cast<size_t>(r.space)], LevelDrive(r.level),
                     kColorSlotNames[static_cast<size_t>(r.slot)], a.u - r.target.u, a.vp - r.target.vp, a.lv,
                     r.target.lv, r.entry.r, r.entry.g, r.entry.b, r.iterations);
    });
    const int forced = station.engine().colourSpace().forcedAcceptances;
    if (header && forced > 0) {
        std::fprintf(out, "Forced acceptances %d\n", forced);
    }
}

void WriteColourSpaceJson(JsonWriter& j, CHalvoDlg& station) {
    j.beginArray("colorSpaces");
    ForEachSearched(station, [&](const Row& r) {
        const ColorReading& a = r.entry.reading;
        j.beginObject()
            .string("colorSpace", kColorSpaceListNames[static_cast<size_t>(r.space)])
            .integer("level", LevelDrive(r.level))
            .string("color", kColorSlotNames[static_cast<size_t>(r.slot)])
            .integer("iterations", r.iterations)
            .number("du", a.u - r.target.u)
            .number("dvp", a.vp - r.target.vp)
            .number("lv", a.lv)
            .number("targetLv", r.target.lv)
            .integer("r", r.entry.r)
            .integer("g", r.entry.g)
            .integer("b", r.entry.b)
            .endObject();
    });
    j.endArray().integer("forcedAcceptances", station.engine().colourSpace().forcedAcceptances);
}

}  // namespace halvo::cli

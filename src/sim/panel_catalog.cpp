#include "sim/panel_catalog.h"

#include <cerrno>
#include <cstdlib>

namespace halvo::sim {
namespace {

// A second LCD: a cooler native white (near 9500 K) and another gamut (a deeper blue, a less
// yellow green), channel gammas 0.35 apart with toes of their own, 3 % crosstalk, about 16 % of
// non-uniformity over the probe places, and a backlight that gains 3-5 % in its first minutes.
// Its liquid crystal settles in a few tens of milliseconds, as an ordinary panel's does.
PanelConfig CoolLcd() {
    PanelConfig c;
    c.red = {0.6930, 0.3050};
    c.green = {0.2080, 0.7360};
    c.blue = {0.1350, 0.0500};
    c.white = {0.2850, 0.2930};
    c.peakLuminance = 236.0;
    c.blackLuminance = 0.19;
    c.channelGamma = {2.28, 2.47, 2.63};
    c.channelToe = {0.05, 0.07, 0.09};
    c.crosstalk = 0.03;
    c.cornerFalloff = 0.28;
    c.rightSideGain = 0.06;
    c.warmUpLoss = {0.035, 0.030, 0.050};
    c.warmUpTimeConstantMs = 150000.0;
    c.responseMs = 30.0;
    return c;
}

// A slow liquid crystal: a picture change takes seconds to settle (about 4 s to 1 %).
PanelConfig CoolLcdSlow() {
    PanelConfig c = CoolLcd();
    c.responseMs = 900.0;
    return c;
}

PanelConfig CoolLcdCrosstalk() {
    PanelConfig c = CoolLcd();
    c.crosstalk = 0.08;
    return c;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0';
}

bool ApplyOption(const std::string& option, PanelConfig& c, std::string* error) {
    const size_t eq = option.find('=');
    const std::string key = option.substr(0, eq);
    double v = 0.0;
    if (eq == std::string::npos || !ParseNumber(option.substr(eq + 1), v)) {
        *error = "panel option \"" + option + "\" needs the form key=number";
        return false;
    }
    const auto inRange = [&](double lo, double hi) {
        if (v < lo || v > hi) {
            *error = "panel option " + key + " must lie within " + std::to_string(lo) + " and " + std::to_string(hi);
            return false;
        }
        return true;
    };
    if (key == "response-ms") {
        return inRange(0.0, 60000.0) && (c.responseMs = v, true);
    }
    if (key == "crosstalk") {
        return inRange(0.0, 0.3) && (c.crosstalk = v, true);
    }
    if (key == "falloff") {
        return inRange(0.0, 0.6) && (c.cornerFalloff = v, true);
    }
    if (key == "warm-up-ms") {
        return inRange(0.0, 3600000.0) && (c.warmUpTimeConstantMs = v, true);
    }
    if (key == "warm-up") {
        if (!inRange(0.0, 10.0)) {
            return false;
        }
        for (double& loss : c.warmUpLoss) {
            loss *= v;
        }
        return true;
    }
    *error = "unknown panel option \"" + key + "\" (response-ms, crosstalk, falloff, warm-up-ms, warm-up)";
    return false;
}

}  // namespace

const std::vector<NamedPanel>& PanelCatalog() {
    static const std::vector<NamedPanel> catalog = {
        {kDefaultPanelName, "wide-gamut LCD, white near 7000 K (the default)", PanelConfig()},
        {"cool-lcd", "LCD with a 9500 K white, toes near black, 3 % crosstalk, strong fall-off, warm-up",
         CoolLcd()},
        {"cool-lcd-slow", "cool-lcd whose picture takes seconds to settle after a change", CoolLcdSlow()},
        {"cool-lcd-crosstalk", "cool-lcd with 8 % crosstalk between the channels", CoolLcdCrosstalk()},
    };
    return catalog;
}

const NamedPanel* FindPanel(const std::string& name) {
    for (const NamedPanel& p : PanelCatalog()) {
        if (name == p.name) {
            return &p;
        }
    }
    return nullptr;
}

std::optional<PanelConfig> PanelFromText(const std::string& text, std::string* error) {
    const size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    const NamedPanel* panel = FindPanel(name);
    if (panel == nullptr) {
        *error = "unknown panel \"" + name + "\" (";
        for (const NamedPanel& p : PanelCatalog()) {
            *error += std::string(&p == &PanelCatalog().front() ? "" : ", ") + p.name;
        }
        *error += ")";
        return std::nullopt;
    }
    PanelConfig config = panel->config;
    if (colon == std::string::npos) {
        return config;
    }
    std::string rest = text.substr(colon + 1);
    while (true) {
        const size_t comma = rest.find(',');
        if (!ApplyOption(rest.substr(0, comma), config, error)) {
            return std::nullopt;
        }
        if (comma == std::string::npos) {
            return config;
        }
        rest = rest.substr(comma + 1);
    }
}

std::string PanelNamesHelp() {
    std::string text;
    for (const NamedPanel& p : PanelCatalog()) {
        std::string name = p.name;
        name.resize(std::max<size_t>(name.size() + 2, 22), ' ');
        text += "    " + name + p.summary + "\n";
    }
    return text;
}

}  // namespace halvo::sim

#pragma once

// The simulated panels by name, as --panel chooses them. "wide-lcd" is the wide-gamut LCD the
// simulated station has always had (and the default); "cool-lcd" differs from it in everything a
// calibration depends on: a cooler native white and another gamut, channel responses that differ
// more with a toe near black, a few per cent of crosstalk, a stronger fall-off towards the
// corners and a warm-up in the first minutes. Its variants stress one property further.
//
// A name may carry options after a colon, comma-separated, each overriding one parameter:
//   response-ms=<ms>   settling time constant after a picture change
//   crosstalk=<share>  light each channel loses per unit of the other channels' mean drive
//   falloff=<share>    luminance lost from the centre to the corners
//   warm-up-ms=<ms>    warm-up time constant; warm-up=<scale> scales the warm-up losses
// for example "cool-lcd:response-ms=400,crosstalk=0.05".

#include <optional>
#include <string>
#include <vector>

#include "sim/panel_model.h"

namespace halvo::sim {

inline constexpr const char* kDefaultPanelName = "wide-lcd";

struct NamedPanel {
    const char* name;
    const char* summary;  // one line for --help
    PanelConfig config;
};

const std::vector<NamedPanel>& PanelCatalog();
const NamedPanel* FindPanel(const std::string& name);

// A panel by name with its options; nullopt with *error set for an unknown name or a bad option.
std::optional<PanelConfig> PanelFromText(const std::string& text, std::string* error);

// The names and summaries, one indented line each, for a usage text.
std::string PanelNamesHelp();

}  // namespace halvo::sim

#pragma once

// halvo-cli calibrate's report of a colour-space calibration: per calibrated colour space, level
// and colour, the accepted reading against its target, the values found and the iterations.

#include <cstdio>

#include "app/halvo_dlg.h"
#include "cli/json_writer.h"

namespace halvo::cli {

void PrintColourSpaceSummary(std::FILE* out, CHalvoDlg& station);
// "colorSpaces": [...] and "forcedAcceptances", inside the summary object.
void WriteColourSpaceJson(JsonWriter& j, CHalvoDlg& station);

}  // namespace halvo::cli

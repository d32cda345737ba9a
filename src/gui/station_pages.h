#pragma once

// The pages of the tab control, in tab order. Each page lives in its own files; adding one means
// creating it here in place of its placeholder.

#include <array>

#include "app/halvo_dlg.h"
#include "gui/station_page.h"

namespace halvo::gui {

inline constexpr std::array<const char*, 3> kTabTitles = {"Measure", "Calibration", "Setup"};

std::array<StationPage*, 3> CreateStationPages(CHalvoDlg& station, QWidget* parent);

}  // namespace halvo::gui

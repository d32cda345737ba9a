#pragma once

// The main window's state, as its controls show it: the connect button, the measure button and
// "Continuously", the name fields, "Cal. ID", the tabs, the link indicators, the reading list.

#include <array>
#include <string>

#include "colorimetry/color_reading.h"

namespace halvo {

inline constexpr int kTabMeasure = 0;
inline constexpr int kTabCalibration = 1;
inline constexpr int kTabSetup = 2;

// The reading list's seven rows: name and value ("x", "y", "u'", "v'", "Lv", "T", "Δuv").
inline constexpr std::array<const char*, 7> kReadingRowNames = {"x", "y", "u'", "v'", "Lv", "T", "\u0394uv"};
using ReadingRows = std::array<std::string, 7>;

// Values of the reading list for a reading: x, y, u', v' "%6.4lf", Lv "%6.2lf", T "%5d", Δuv
// "%7.5lf"; without a colour temperature both of the last show "----------".
ReadingRows FormatReadingRows(const ColorReading& reading);

struct MainWindowModel {
    std::string title = "Tintara";
    std::string connectText = "Connect";
    bool connected = false;
    std::string measureText = "Measure";
    bool measureEnabled = false;
    bool continuouslyChecked = true;
    bool continuouslyEnabled = false;
    std::string monitorName = "Monitor";
    std::string instrumentName = "Colorimeter";
    std::string calId;  // at most 9 characters
    bool pagesCreated = false;
    int selectedTab = kTabSetup;
    bool monitorIndicatorOn = false;
    bool instrumentIndicatorOn = false;
    ReadingRows readingValues = {"x", "y", "u'", "v'", "Lv", "T", "\u0394uv"};
    // The probe-position chart: position type (probe position index + 1; 0 draws nothing).
    int probePosition = 0;
};

}  // namespace halvo

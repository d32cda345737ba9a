#pragma once

// The fixed entries of the Setup page's lists, in the order the station has always shown them.
// Config.ini and the other parts of the station refer to them by text or by index, so neither
// the texts nor their order may change.

#include <array>

namespace halvo::setup_lists {

// Index = instrument kind.
inline constexpr std::array<const char*, 7> kInstruments = {"CA-210",  "CA-310", "K-10",      "PELKO",
                                                            "Spyder4", "CS-200", "i1 Display"};
inline constexpr int kCa210 = 0;
inline constexpr int kCa310 = 1;
inline constexpr int kK10 = 2;
inline constexpr int kPelko = 3;
inline constexpr int kSpyder4 = 4;
inline constexpr int kCs200 = 5;
inline constexpr int kI1Display = 6;

inline constexpr std::array<const char*, 3> kBaudRates = {"9600", "19200", "38400"};
inline constexpr std::array<const char*, 2> kDataBits = {"7", "8"};
// Index = the line's parity code and stop-bit code.
inline constexpr std::array<const char*, 3> kParities = {"None", "Odd", "Even"};
inline constexpr std::array<const char*, 3> kStopBits = {"1", "1.5", "2"};

// What the CA-210 and CA-310 speak; selected whenever one of them is chosen.
inline constexpr const char* kCaBaudRate = "9600";
inline constexpr const char* kCaDataBits = "7";
inline constexpr const char* kCaParity = "Even";
inline constexpr const char* kCaStopBits = "2";

inline constexpr std::array<const char*, 6> kSpyder4Calibrations = {
    "Standard",
    "Normal-Gamut LCD/ CCFL",
    "Wide-Gamut LCD/ CCFL",
    "Normal-Gamut LCD/ White LED",
    "Wide-Gamut LCD/ RGB LED",
    "Wide-Gamut LCD/ CCFL2",
};

// The K-10 holds 94 usable matrices; the list shows six more entries that cannot be chosen.
inline constexpr int kK10UsableMatrices = 94;
inline constexpr int kK10ListLength = 100;
inline constexpr const char* kK10ReservedEntry = "%d : Reserved";
inline constexpr const char* kK10ReservedMessage = "Please select matrix num 0 to 93.";

// Index = the CS-200's speed code.
inline constexpr std::array<const char*, 7> kMeasurementSpeeds = {"LTD.AUTO", "S-FAST", "FAST", "SLOW",
                                                                  "S-SLOW",   "MANU",   "AUTO"};
inline constexpr const char* kDefaultMeasurementSpeed = "FAST";
inline constexpr const char* kDefaultMeasurementDuration = "1";

// Index = the pattern item of the draw command.
inline constexpr std::array<const char*, 5> kPatterns = {"100% Color Bars", "75% Color Bars", "Luma Step",
                                                         "RGB Lamp", "Full Color"};
inline constexpr int kFullColorPattern = 4;

// Index s gives round(8 / (s + 1)) colour-space steps.
inline constexpr std::array<const char*, 4> kColorSpaceSteps = {"8", "4", "3", "2"};

}  // namespace halvo::setup_lists

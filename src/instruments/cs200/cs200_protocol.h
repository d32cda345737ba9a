#pragma once

// CS-200 luminance and colour meter: ASCII commands ended by CR LF, each written in one raw
// write through the maker's library and answered by one raw read of the reply text.
//
//   "RMT,1\r\n", "RMT,0\r\n"   remote mode on, off
//   "SPS,<s>,<tt>\r\n"         measuring speed s (0 LTD.AUTO, 1 S-FAST, 2 FAST, 3 SLOW, 4 S-SLOW,
//                              5 MANU, 6 AUTO); tt, two characters, the manual time in seconds
//   "MES,1\r\n", "MES,0\r\n"   start a measurement, stop measuring
//   "MDR,0\r\n"                read the measured data
//
// Start reply: characters 5-6 hold the measuring time s in whole seconds; the data are read
// s * 1000 - 200 ms later. Data reply: Lv in characters 27-37, x in 39-49, y in 51-61 (eleven
// characters each, floating point). A reply beginning with "ER02" means the data are not ready:
// ask once more 300 ms later.

#include <optional>
#include <string>
#include <string_view>

namespace halvo {

inline constexpr const char* kCs200RemoteOn = "RMT,1\r\n";
inline constexpr const char* kCs200RemoteOff = "RMT,0\r\n";
inline constexpr const char* kCs200SpeedTemplate = "SPS,2, 0\r\n";
inline constexpr const char* kCs200Start = "MES,1\r\n";
inline constexpr const char* kCs200Stop = "MES,0\r\n";
inline constexpr const char* kCs200ReadData = "MDR,0\r\n";
inline constexpr const char* kCs200NotReady = "ER02";

inline constexpr int kCs200ManualSpeed = 5;
inline constexpr int kCs200SpeedCount = 7;
inline constexpr int kCs200MaxManualSeconds = 60;
inline constexpr int kCs200RetryWaitMs = 300;
inline constexpr int kCs200StopWaitMs = 100;

// Reply columns of the measured data.
inline constexpr size_t kCs200LvColumn = 27;
inline constexpr size_t kCs200XColumn = 39;
inline constexpr size_t kCs200YColumn = 51;
inline constexpr size_t kCs200ColumnWidth = 11;

struct Cs200Measurement {
    double lv = 0.0;
    double x = 0.0;
    double y = 0.0;
};

// The speed command for a "Measurement speed" index and the "Measurement Duration" seconds. An
// index outside the list leaves the template's speed; the seconds only count for the manual
// speed, limited to 1..60 and written right-aligned in the two places (" 5", "12").
std::string Cs200SpeedCommand(int speedIndex, int seconds);

// The wait before reading the data, from the start reply; never negative (a reply without the
// time gives 0: read at once).
int Cs200StartWaitMs(std::string_view reply);

// "ER02": the data are not ready yet.
bool Cs200DataNotReady(std::string_view reply);

// Lv, x and y from a data reply; nullopt when a column is missing or does not hold a number.
std::optional<Cs200Measurement> ParseCs200Data(std::string_view reply);

}  // namespace halvo

#pragma once

// One run of the station as the results database keeps it: what was run on which monitor with
// which instrument, by whom, when, how it ended, every judged verification item, the
// calibration data as its .cal text and the run's log.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo::results {

enum class RunKind { Calibration, Verification, Copy, EepromRead, EepromWrite, Aging };
enum class RunOutcome { Completed, Failed, Stopped };
// How a calibration went about its work: every step as prescribed, or the fast calibration's
// shortened sequence. Runs of other kinds are prescribed.
enum class RunMode { Prescribed, Fast };

inline constexpr int kRunKindCount = 6;
inline constexpr int kRunOutcomeCount = 3;
inline constexpr int kRunModeCount = 2;

// "calibration", "verification", "copy", "eeprom-read", "eeprom-write", "aging".
const char* RunKindName(RunKind kind);
std::optional<RunKind> ParseRunKind(const std::string& name);
// "completed", "failed", "stopped".
const char* RunOutcomeName(RunOutcome outcome);
std::optional<RunOutcome> ParseRunOutcome(const std::string& name);
// "prescribed", "fast".
const char* RunModeName(RunMode mode);
std::optional<RunMode> ParseRunMode(const std::string& name);

// One judged line of a verification, as its report shows it.
struct VerificationItem {
    std::string test;      // "Luminance of White"
    std::string item;      // "6500K"
    std::string quantity;  // "Lv"
    std::string value;     // the report's text, "" when not measured
    std::string limit;     // the report's criterion text
    std::string verdict;   // "OK", "OR", "N/A"

    bool operator==(const VerificationItem&) const = default;
};

struct RunRecord {
    std::string runId;  // unique across stations
    RunKind kind = RunKind::Calibration;
    RunMode mode = RunMode::Prescribed;
    std::string station;
    std::string operatorName;  // "Tested By"
    std::string serialNumber;  // "S/N"
    std::string model;
    std::string firmware;  // the monitor's version text
    std::string calibrationId;
    std::string instrument;        // the Setup list's name
    std::string instrumentSerial;  // where the instrument gives one
    std::string instrumentMatrix;  // "Cal File" entry (K-10 matrix, Spyder4 calibration)
    std::string startedAt;         // UTC, "2024-05-01T12:34:56.789Z"
    std::string endedAt;
    int64_t stationMs = 0;  // the run's length on the station's clock
    RunOutcome outcome = RunOutcome::Completed;
    std::string reason;  // why it failed or stopped
    bool passed = false;
    // The run's calibration or verification that this one followed (a verification after its
    // calibration); empty when none.
    std::string parentRunId;
    std::string programVersion;
    std::vector<VerificationItem> items;
    // Byte for byte as the station writes them; absent in lists.
    std::optional<std::string> calText;
    std::optional<std::string> logText;

    // White Δu'v' of the 6500 K preset and the largest gamma error of the run, when measured.
    std::optional<double> whiteDuv;
    std::optional<double> gammaError;

    bool operator==(const RunRecord&) const = default;
};

// The white Δu'v' and the gamma error of a verification, from its judged items.
void ComputeRunMetrics(RunRecord& record);

// A new run id: a random (version 4) UUID.
std::string NewRunId();

// A moment as the records store it: UTC with milliseconds, "2024-05-01T12:34:56.789Z".
std::string IsoTimeUtc(int64_t unixMs);
int64_t NowUnixMs();

// Text the PostgreSQL server takes: valid UTF-8 stays as it is, anything else (a Latin-1
// operator name typed into an old Config.ini) is read as Latin-1.
std::string AsUtf8(const std::string& text);

}  // namespace halvo::results

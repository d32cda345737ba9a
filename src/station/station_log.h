#pragma once

// The station log: every operator-visible line goes through logMessage, tagged with a channel
// prefix chosen from a small integer code (the current CalibrationState, or one of the fixed
// codes below). The log is a model; the window's pane and the command-line tool listen to it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo {

inline constexpr int kChannelSys = 0;
inline constexpr int kChannelAging = 50;
inline constexpr int kChannelPos = 254;
inline constexpr int kChannelDbg = 255;

// The prefix for a channel code, exactly as operators and stored logs know it ("SYS:" without a
// blank, "MES: " with one, ...), or nullopt for the suppressed debug channel.
std::optional<std::string> ChannelPrefix(int channel);

class LogListener {
public:
    virtual ~LogListener() = default;
    virtual void onLogAppended(const std::string& entry) = 0;
    virtual void onLogCleared() = 0;
    // A debug-channel line: never part of the log, for a listener that traces (the text only).
    virtual void onDebugLine(const std::string& text) { (void)text; }
};

class StationLog {
public:
    // Appends prefix + text + "\n" (nothing for the debug channel). The log grows without
    // bound, as the pane always has.
    void logMessage(const std::string& text, int channel);
    // One measurement: "u:%6.4lf v':%6.4lf x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d Δuv:%6.4lf".
    void logReading(int channel, int T, double x, double y, double u, double vp, double lv, double duv);
    void clear();

    // The whole log as the pane shows it.
    const std::string& text() const { return text_; }

    void addListener(LogListener* listener);
    void removeListener(LogListener* listener);

private:
    std::string text_;
    std::vector<LogListener*> listeners_;
};

}  // namespace halvo

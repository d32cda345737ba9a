#include "station/station_log.h"

#include <algorithm>

#include "common/text_format.h"

namespace halvo {

std::optional<std::string> ChannelPrefix(int channel) {
    switch (channel) {
        case kChannelSys:
            return "SYS:";
        case kChannelPos:
            return "POS:";
        case kChannelDbg:
            return std::nullopt;
        case kChannelAging:
            return "AGN: ";
        default:
            return channel < 10 ? "MES: " : "CAL: ";
    }
}

void StationLog::logMessage(const std::string& text, int channel) {
    const std::optional<std::string> prefix = ChannelPrefix(channel);
    if (!prefix) {
        for (LogListener* l : listeners_) {
            l->onDebugLine(text);
        }
        return;
    }
    const std::string entry = *prefix + text + "\n";
    text_ += entry;
    for (LogListener* l : listeners_) {
        l->onLogAppended(entry);
    }
}

void StationLog::logReading(int channel, int T, double x, double y, double u, double vp, double lv, double duv) {
    logMessage(Format("u:%6.4lf v':%6.4lf x:%6.4lf y:%6.4lf Lv:%6.2lf T:%5d \u0394uv:%6.4lf", u, vp, x, y, lv, T, duv),
               channel);
}

void StationLog::clear() {
    text_.clear();
    for (LogListener* l : listeners_) {
        l->onLogCleared();
    }
}

void StationLog::addListener(LogListener* listener) {
    listeners_.push_back(listener);
}

void StationLog::removeListener(LogListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

}  // namespace halvo

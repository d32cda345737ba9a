#pragma once

// A failure that repeats on every measurement (a meter refusing to start, an adapter that
// stopped answering) would fill the log for as long as the station runs. It is said once when it
// starts, and once more with its count when it ends (a measurement that works, another failure,
// a disconnect).

#include <string>

#include "common/text_format.h"
#include "station/station_log.h"

namespace halvo {

class RepeatedFailure {
public:
    void failed(StationLog& log, const std::string& text, int channel) {
        if (count_ > 0 && text != text_) {
            ended(log);
        }
        if (count_++ == 0) {
            text_ = text;
            channel_ = channel;
            log.logMessage(text, channel);
        }
    }
    void ended(StationLog& log) {
        if (count_ > 1) {
            log.logMessage(Format("%s (%d times in a row)", text_.c_str(), count_), channel_);
        }
        count_ = 0;
    }
    int count() const { return count_; }

private:
    std::string text_;
    int channel_ = 0;
    int count_ = 0;
};

}  // namespace halvo

#pragma once

// The percentage of a long run rewritten in place on a terminal ("Calibrating  42%"); nothing
// when the stream is a file or a pipe, so logs and tests see only the final lines.

#include <cstdio>
#include <string>
#include <unistd.h>

namespace halvo::cli {

class ProgressLine {
public:
    ProgressLine(std::FILE* to, const char* what) : to_(to), what_(what), tty_(::isatty(::fileno(to)) != 0) {}
    void show(const std::string& status) {
        if (tty_ && status != last_) {
            std::fprintf(to_, "\r%s %s", what_, status.c_str());
            std::fflush(to_);
            last_ = status;
        }
    }
    void finish() {
        if (tty_ && !last_.empty()) {
            std::fputc('\n', to_);
        }
    }

private:
    std::FILE* to_;
    const char* what_;
    bool tty_;
    std::string last_;
};

}  // namespace halvo::cli

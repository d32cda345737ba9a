#pragma once

// halvo-sim as its own process, for end-to-end tests over real pseudo-terminals: started with
// the given arguments, the device paths it prints read, stopped (and its exit checked) at the end,
// with what it wrote to stderr by then.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace halvo::test {

class HalvoSimProcess {
public:
    explicit HalvoSimProcess(std::vector<std::string> arguments = {}) {
        int out[2];
        int err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) {
            return;
        }
        std::vector<std::string> argv = {"halvo-sim"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::close(out[0]);
            ::close(err[0]);
            std::vector<char*> raw;
            for (std::string& a : argv) {
                raw.push_back(a.data());
            }
            raw.push_back(nullptr);
            ::execv(HALVO_SIM_BINARY, raw.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        lines_ = ::fdopen(out[0], "r");
        errors_ = ::fdopen(err[0], "r");
        // One line per device: "monitor <path>", "ca <path>", "k10 <path>".
        char line[256] = {0};
        while (paths_.size() < 3 && lines_ != nullptr && std::fgets(line, sizeof line, lines_) != nullptr) {
            std::string l(line);
            if (!l.empty() && l.back() == '\n') {
                l.pop_back();
            }
            const size_t blank = l.find(' ');
            if (blank != std::string::npos) {
                paths_[l.substr(0, blank)] = l.substr(blank + 1);
            }
        }
    }
    ~HalvoSimProcess() { stop(); }
    HalvoSimProcess(const HalvoSimProcess&) = delete;
    HalvoSimProcess& operator=(const HalvoSimProcess&) = delete;

    // The pseudo-terminal of "monitor", "ca" or "k10"; empty when it was not served.
    std::string path(const std::string& device) const {
        const auto it = paths_.find(device);
        return it == paths_.end() ? std::string() : it->second;
    }

    // Interrupts it; true when it ended cleanly.
    bool stop() {
        if (pid_ <= 0) {
            return exitedCleanly_;
        }
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        if (lines_ != nullptr) {
            std::fclose(lines_);
            lines_ = nullptr;
        }
        char buffer[512];
        while (errors_ != nullptr && std::fgets(buffer, sizeof buffer, errors_) != nullptr) {
            stderrText_ += buffer;
        }
        if (errors_ != nullptr) {
            std::fclose(errors_);
            errors_ = nullptr;
        }
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        exitedCleanly_ = exitStatus_ == 0;
        return exitedCleanly_;
    }

    // After stop(): its exit status (-1 when it did not exit by itself) and its stderr.
    int exitStatus() const { return exitStatus_; }
    const std::string& stderrText() const { return stderrText_; }

private:
    pid_t pid_ = -1;
    std::FILE* lines_ = nullptr;
    std::FILE* errors_ = nullptr;
    std::string stderrText_;
    int exitStatus_ = -1;
    std::map<std::string, std::string> paths_;
    bool exitedCleanly_ = false;
};

}  // namespace halvo::test

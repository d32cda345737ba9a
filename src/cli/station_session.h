#pragma once

// What a headless subcommand needs to talk to a monitor the way the station does: a scheduler
// (wall clock for a real port, virtual clock for --simulate), the log, the task state, the
// monitor link and its sender, and the in-process simulated station when asked for.

#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "cli/subcommand.h"
#include "monitor/monitor_sender.h"
#include "monitor/serial_link.h"
#include "sim/sim_station.h"
#include "station/scheduler.h"
#include "station/station_log.h"
#include "station/task_state.h"

namespace halvo::cli {

// Prints log entries live (-v) and keeps the log for --log <file>.
class LogEcho : public LogListener {
public:
    explicit LogEcho(std::FILE* to) : to_(to) {}
    void onLogAppended(const std::string& entry) override {
        if (to_ != nullptr) {
            std::fputs(entry.c_str(), to_);
        }
    }
    void onLogCleared() override {}
    // -v traces what the log leaves out.
    void onDebugLine(const std::string& text) override {
        if (to_ != nullptr) {
            std::fprintf(to_, "DBG:%s\n", text.c_str());
        }
    }

private:
    std::FILE* to_;
};

// Writes the station log to a file (CR LF lines); nothing for an empty path. False with a message.
bool SaveLogFile(const StationLog& log, const std::string& path, CliIo io, const char* command);

class StationSession {
public:
    // Options every station subcommand takes: --simulate | --monitor <port>, --log <file>, -v.
    struct Options {
        bool simulate = false;
        std::string monitorPort;
        std::string logFile;
        bool verbose = false;
    };
    // Takes the common options out of args; false with *error set when they conflict.
    static bool TakeOptions(Args& args, Options& options, std::string* error);

    StationSession(const Options& options, CliIo io);
    ~StationSession();

    // Opens the monitor link (the simulated monitor with --simulate). False with a message on
    // stderr when the port cannot be opened.
    bool openMonitor(const char* command);

    // Runs timers until done() or maxMs pass (virtual or wall-clock milliseconds).
    bool runUntil(const std::function<bool()>& done, int64_t maxMs);

    Scheduler& scheduler() { return *scheduler_; }
    bool simulated() const { return options_.simulate; }
    sim::SimStation* simStation() { return sim_.get(); }
    StationLog& log() { return log_; }
    TaskState& task() { return task_; }
    SerialLink& monitorLink() { return monitorLink_; }
    MonitorSender& sender() { return sender_; }
    const Options& options() const { return options_; }

    // Writes the log to --log <file> when given; false with a message when it cannot be written.
    bool saveLog(const char* command);

private:
    Options options_;
    CliIo io_;
    std::unique_ptr<Scheduler> scheduler_;
    VirtualScheduler* virtual_ = nullptr;
    RealTimeScheduler* realTime_ = nullptr;
    std::unique_ptr<sim::SimStation> sim_;
    StationLog log_;
    LogEcho echo_;
    TaskState task_;
    SerialLink monitorLink_;
    MonitorSender sender_;
};

}  // namespace halvo::cli

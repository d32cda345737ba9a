#include "cli/station_session.h"

#include "common/file_io.h"

namespace halvo::cli {

bool StationSession::TakeOptions(Args& args, Options& options, std::string* error) {
    options.simulate = args.takeFlag("--simulate");
    if (auto port = args.takeOption("--monitor")) {
        options.monitorPort = *port;
    }
    if (auto file = args.takeOption("--log")) {
        options.logFile = *file;
    }
    options.verbose = args.takeFlag("-v") || args.takeFlag("--verbose");
    if (options.simulate && !options.monitorPort.empty()) {
        *error = "--simulate and --monitor exclude each other";
        return false;
    }
    if (!options.simulate && options.monitorPort.empty()) {
        *error = "give --monitor <port> or --simulate";
        return false;
    }
    return true;
}

namespace {

std::unique_ptr<Scheduler> MakeScheduler(bool simulate) {
    if (simulate) {
        return std::make_unique<VirtualScheduler>();
    }
    return std::make_unique<RealTimeScheduler>();
}

}  // namespace

StationSession::StationSession(const Options& options, CliIo io)
    : options_(options),
      io_(io),
      scheduler_(MakeScheduler(options.simulate)),
      echo_(options.verbose ? io.err : nullptr),
      sender_(monitorLink_, log_, *scheduler_, task_) {
    if (options.simulate) {
        virtual_ = static_cast<VirtualScheduler*>(scheduler_.get());
        sim_ = std::make_unique<sim::SimStation>(*scheduler_);
        sim_->install();
    } else {
        realTime_ = static_cast<RealTimeScheduler*>(scheduler_.get());
    }
    log_.addListener(&echo_);
}

StationSession::~StationSession() {
    log_.removeListener(&echo_);
    monitorLink_.close();
    if (sim_) {
        sim::ReportProtocolViolations(sim_->monitor().checker(), io_.err, "halvo-cli");
    }
}

bool StationSession::openMonitor(const char* command) {
    monitorLink_.setMonitorSettings(options_.simulate ? sim::kSimMonitorPort : options_.monitorPort);
    if (monitorLink_.open()) {
        return true;
    }
    log_.logMessage("Cannot open monitor port", kChannelSys);
    std::fprintf(io_.err, "halvo-cli %s: cannot open monitor port %s: %s\n", command,
                 monitorLink_.portName.c_str(), monitorLink_.lastError().c_str());
    return false;
}

bool StationSession::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    return virtual_ != nullptr ? virtual_->runUntil(done, maxMs) : realTime_->runUntil(done, maxMs);
}

bool SaveLogFile(const StationLog& log, const std::string& path, CliIo io, const char* command) {
    if (path.empty()) {
        return true;
    }
    std::string error;
    if (!WriteFileAtomically(path, WithCrLf(log.text()), &error)) {
        std::fprintf(io.err, "halvo-cli %s: cannot write the log: %s\n", command, error.c_str());
        return false;
    }
    return true;
}

bool StationSession::saveLog(const char* command) {
    return SaveLogFile(log_, options_.logFile, io_, command);
}

}  // namespace halvo::cli

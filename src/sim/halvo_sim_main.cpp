// halvo-sim: the simulated station served over pseudo-terminals, for end-to-end runs of the
// real binaries. Prints one line per served device ("monitor /dev/pts/5") and runs until killed.
// With --strict it also reports every frame the simulated monitor refused, as it happens, and
// ends with a count and a failing exit status when there were any.

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "common/version.h"
#include "sim/panel_catalog.h"
#include "sim/pty_server.h"
#include "sim/sim_station.h"
#include "station/scheduler.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
constexpr int kPtyTimingToleranceMs = 25;

void OnSignal(int) {
    stopRequested = 1;
}

constexpr const char* kUsageHead =
    "usage: halvo-sim [--seed N] [--panel NAME] [--model TEXT] [--info BYTE] [--capability BYTE]\n"
    "                 [--strict]\n"
    "       halvo-sim --help | --version\n\n"
    "Serves the simulated Vorla monitor, a simulated CA-210 and a simulated K-10 on\n"
    "pseudo-terminals and prints one line per device: \"monitor <path>\", \"ca <path>\",\n"
    "\"k10 <path>\". Runs in real time until interrupted.\n"
    "  --seed N          repeatable noise and factory data (default 1)\n"
    "  --panel NAME      the simulated panel (NAME:key=value,... overrides its parameters;\n"
    "                    options in halvo-cli calibrate --help), one of\n";
constexpr const char* kUsageTail =
    "  --model TEXT      the monitor's version text (default \"TXM-600-HD-S V1.02\")\n"
    "  --info BYTE       the model-info byte (default 0x90)\n"
    "  --capability BYTE the extended query's answer byte (default 0x15)\n"
    "  --strict          report each frame the monitor refuses (a broken rule of the\n"
    "                    protocol, or a frame sooner than the monitor can take it) on\n"
    "                    stderr as \"halvo-sim: monitor: <ms> ms: <reason>: <bytes>\"; at\n"
    "                    the end print \"halvo-sim: <N> protocol violations\" and exit with\n"
    "                    status 1 when N > 0. The monitor refuses such frames either way.\n";

std::string UsageText() {
    return std::string(kUsageHead) + halvo::sim::PanelNamesHelp() + kUsageTail;
}

void Usage(const std::string& error) {
    std::fprintf(stderr, "halvo-sim: %s\n\n%s", error.c_str(), UsageText().c_str());
}

bool ParseByte(const std::string& text, uint8_t& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || v < 0 || v > 255) {
        return false;
    }
    out = static_cast<uint8_t>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace halvo;
    cli::Args args(std::vector<std::string>(argv + 1, argv + argc));
    if (args.takeFlag("--help") || args.takeFlag("-h")) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (args.takeFlag("--version")) {
        std::printf("halvo-sim %s\n", kVersionText);
        return 0;
    }
    sim::SimStationConfig config;
    config.monitor.drift = sim::DriftConfig::Realistic();
    // The pseudo-terminals are read by polling: arrival times come a poll late now and then.
    config.monitor.timingToleranceMs = kPtyTimingToleranceMs;
    const bool strict = args.takeFlag("--strict");
    if (auto seed = args.takeOption("--seed")) {
        const auto v = cli::ParseLong(*seed);
        if (!v || *v < 0) {
            Usage("--seed needs a whole number");
            return 2;
        }
        config.seed = static_cast<uint32_t>(*v);
        config.monitor.seed = config.seed;
    }
    if (auto panel = args.takeOption("--panel")) {
        std::string error;
        const std::optional<sim::PanelConfig> chosen = sim::PanelFromText(*panel, &error);
        if (!chosen) {
            Usage("--panel: " + error);
            return 2;
        }
        config.panel = *chosen;
    }
    if (auto model = args.takeOption("--model")) {
        config.monitor.versionText = *model;
    }
    if (auto info = args.takeOption("--info")) {
        if (!ParseByte(*info, config.monitor.modelInfo)) {
            Usage("--info needs a byte (0..255, 0x.. allowed)");
            return 2;
        }
    }
    if (auto cap = args.takeOption("--capability")) {
        if (!ParseByte(*cap, config.monitor.capability)) {
            Usage("--capability needs a byte (0..255, 0x.. allowed)");
            return 2;
        }
    }
    if (!args.positionals().empty() || !args.error().empty()) {
        Usage(args.error().empty() ? "unexpected argument" : args.error());
        return 2;
    }

    RealTimeScheduler clock;
    sim::SimStation station(clock, config);
    if (strict) {
        station.monitor().checker().onViolation = [](const sim::ProtocolViolation& v) {
            std::fprintf(stderr, "halvo-sim: monitor: %s\n", v.text().c_str());
        };
    }
    sim::PtyServer server;
    std::string error;
    const std::string monitorPath = server.serve(station.monitorEndpoint(), &error);
    if (monitorPath.empty()) {
        std::fprintf(stderr, "halvo-sim: %s\n", error.c_str());
        return 1;
    }
    const std::string caPath = server.serve(station.caEndpoint(), &error);
    if (caPath.empty()) {
        std::fprintf(stderr, "halvo-sim: %s\n", error.c_str());
        return 1;
    }
    const std::string k10Path = server.serve(station.k10Endpoint(), &error);
    if (k10Path.empty()) {
        std::fprintf(stderr, "halvo-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("monitor %s\n", monitorPath.c_str());
    std::printf("ca %s\n", caPath.c_str());
    std::printf("k10 %s\n", k10Path.c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    while (!stopRequested) {
        server.pump(1);
    }
    if (strict) {
        const size_t n = station.monitor().checker().violationCount();
        std::fprintf(stderr, "halvo-sim: %zu protocol violations\n", n);
        return n > 0 ? 1 : 0;
    }
    return 0;
}

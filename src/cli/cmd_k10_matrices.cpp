// halvo-cli k10-matrices: the calibration matrices a K-10 holds, as the Setup page lists them.

#include <memory>

#include "cli/json_writer.h"
#include "cli/subcommand.h"
#include "instruments/k10/k10_driver.h"
#include "sim/sim_station.h"

namespace halvo::cli {
namespace {

int RunK10Matrices(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kK10MatricesCommand = {
    "k10-matrices",
    "list the calibration matrices of a K-10",
    "usage: halvo-cli k10-matrices (--port <port> | --simulate) [--json]\n\n"
    "Identifies the K-10 on the port and prints its calibration list, one \"<n> : <name>\" per\n"
    "line for n = 0..96: 0 is the factory calibration, erased slots read \"Blank\". measure\n"
    "--matrix <n> selects one (0..93).\n"
    "  --port <port>  the K-10's serial port\n"
    "  --simulate     the built-in simulated K-10, on a virtual clock\n"
    "  --json         one object with the model, the serial number and the list\n",
    RunK10Matrices,
};

namespace {

int RunK10Matrices(Args& args, CliIo& io) {
    const Subcommand& self = kK10MatricesCommand;
    const bool simulate = args.takeFlag("--simulate");
    const std::optional<std::string> port = args.takeOption("--port");
    const bool json = args.takeFlag("--json");
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    if (simulate == port.has_value()) {
        return UsageError(self, io, "give the K-10's --port, or --simulate");
    }

    std::unique_ptr<Scheduler> clock;
    if (simulate) {
        clock = std::make_unique<VirtualScheduler>();
    } else {
        clock = std::make_unique<RealTimeScheduler>();
    }
    std::unique_ptr<sim::SimStation> station;
    if (simulate) {
        station = std::make_unique<sim::SimStation>(*clock);
        station->install();
    }
    const std::string name = simulate ? std::string(sim::kSimK10Port) : *port;
    KClmtr k10(*clock);
    if (!k10.Connect(name)) {
        std::fprintf(io.err, "halvo-cli k10-matrices: cannot open the K-10 on %s: %s\n", name.c_str(),
                     k10.lastError().c_str());
        return kExitFailure;
    }
    bool named = false;
    for (int i = 1; i <= kK10Slots; ++i) {
        named = named || !k10.calibrationName(i).empty();
    }
    const std::vector<std::string> list = k10.CalibrationList();
    const std::string model = k10.Model();
    const std::string serialNumber = k10.SerialNumber();
    k10.Disconnect();
    if (!named) {
        std::fprintf(io.err, "halvo-cli k10-matrices: the K-10 on %s did not send its calibration names\n",
                     name.c_str());
        return kExitFailure;
    }
    if (json) {
        JsonWriter j;
        j.beginObject().string("port", name).string("model", model).string("serialNumber", serialNumber);
        j.beginArray("matrices");
        for (const std::string& entry : list) {
            j.string(nullptr, entry);
        }
        j.endArray().endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
    } else {
        for (const std::string& entry : list) {
            std::fprintf(io.out, "%s\n", entry.c_str());
        }
    }
    return kExitOk;
}

}  // namespace
}  // namespace halvo::cli

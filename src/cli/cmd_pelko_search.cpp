// halvo-cli pelko-search: the Setup page's PELKO "Search", through the station.

#include "cli/controller_session.h"
#include "cli/json_writer.h"

namespace halvo::cli {
namespace {

int RunPelkoSearch(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kPelkoSearchCommand = {
    "pelko-search",
    "list the PELKO spectroradiometers attached",
    "usage: halvo-cli pelko-search [--simulate [--pelko-devices N]] [--json] [--log <file>] [-v]\n\n"
    "Runs the station's PELKO device search and prints the device list it fills, one entry per\n"
    "line with its index (the --device of measure) and the device's two identification values.\n"
    "The maker's core library libpelko_core.so is looked up in HALVO_VENDOR_PATH, then the\n"
    "installation's directory for the makers' libraries, then the system's library path; with\n"
    "--simulate, the simulated station's stand-in is used when none of them has it.\n"
    "  --json               one object per device: {\"index\":0,\"device\":\"2106, 1001\"}\n"
    "Exits with 1 when no device was found.\n",
    RunPelkoSearch,
    true,
};

namespace {

int RunPelkoSearch(Args& args, CliIo& io) {
    const Subcommand& self = kPelkoSearchCommand;
    ControllerSession::Options options;
    std::string error;
    if (!ControllerSession::TakeOptions(args, options, &error)) {
        return UsageError(self, io, error);
    }
    const bool json = args.takeFlag("--json");
    if (!args.positionals().empty() || !args.error().empty()) {
        return UsageError(self, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    options.instrument = "PELKO";
    ControllerSession session(options, io);
    const bool found = session.start("pelko-search");
    const ListControl& devices = session.station().setup().pelkoDevices;
    if (found) {
        for (size_t i = 0; i < devices.items.size(); ++i) {
            if (json) {
                JsonWriter j;
                j.beginObject().integer("index", static_cast<int64_t>(i)).string("device", devices.items[i]).endObject();
                std::fprintf(io.out, "%s\n", j.text().c_str());
            } else {
                std::fprintf(io.out, "%zu  %s\n", i, devices.items[i].c_str());
            }
        }
    }
    const bool logSaved = session.saveLog("pelko-search");
    return found && logSaved ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace halvo::cli

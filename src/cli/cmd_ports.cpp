// halvo-cli ports: the serial ports the station's Setup lists offer.

#include "cli/subcommand.h"
#include "monitor/port_endpoint.h"

namespace halvo::cli {
namespace {

int RunPorts(Args& args, CliIo& io);

}  // namespace

extern const Subcommand kPortsCommand = {
    "ports",
    "list the serial ports",
    "usage: halvo-cli ports\n\n"
    "Lists the serial ports as the station's Setup page does: the machine's serial devices\n"
    "(names under /dev), then the extra names in HALVO_EXTRA_PORTS (colon-separated, e.g. the\n"
    "pseudo-terminals halvo-sim prints).\n",
    RunPorts,
};

namespace {

int RunPorts(Args& args, CliIo& io) {
    const std::vector<std::string> rest = args.positionals();
    if (!args.error().empty() || !rest.empty()) {
        return UsageError(kPortsCommand, io, args.error().empty() ? "unexpected argument" : args.error());
    }
    const std::vector<std::string> ports = EnumerateSerialPorts();
    if (ports.empty()) {
        std::fprintf(io.err, "No COMM port exists!\n");
        return kExitFailure;
    }
    for (const std::string& p : ports) {
        std::fprintf(io.out, "%s\n", p.c_str());
    }
    return kExitOk;
}

}  // namespace
}  // namespace halvo::cli

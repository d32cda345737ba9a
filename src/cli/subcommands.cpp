#include <cstring>
#include <string>

#include "cli/subcommand.h"
#include "common/version.h"

namespace halvo::cli {

extern const Subcommand kCaldataCommand;
extern const Subcommand kAdcCommand;
extern const Subcommand kCopyCommand;
extern const Subcommand kAgingCommand;
extern const Subcommand kCalibrateCommand;
extern const Subcommand kInputSourceCommand;
extern const Subcommand kColorCommand;
extern const Subcommand kEepromCommand;
extern const Subcommand kIdentifyCommand;
extern const Subcommand kK10MatricesCommand;
extern const Subcommand kMeasureCommand;
extern const Subcommand kPortsCommand;
extern const Subcommand kPelkoSearchCommand;
extern const Subcommand kVerifyCommand;

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> commands = {
        kColorCommand,
        kCalibrateCommand,
        kCopyCommand,
        kAdcCommand,
        kInputSourceCommand,
        kAgingCommand,
        kPortsCommand,
        kIdentifyCommand,
        kMeasureCommand,
        kEepromCommand,
        kK10MatricesCommand,
        kPelkoSearchCommand,
        kCaldataCommand,
        kVerifyCommand,
    };
    return commands;
}

int UsageError(const Subcommand& command, CliIo& io, const std::string& message) {
    std::fprintf(io.err, "halvo-cli %s: %s\n\n%s", command.name, message.c_str(), command.usage);
    return kExitUsage;
}

namespace {

void PrintOverview(std::FILE* to) {
    std::fprintf(to,
                 "usage: halvo-cli <command> [arguments]\n"
                 "       halvo-cli <command> --help\n"
                 "       halvo-cli --version\n\n"
                 "Halvo station, command-line front end.\n\ncommands:\n");
    for (const Subcommand& c : Subcommands()) {
        std::fprintf(to, "  %-12s %s\n", c.name, c.summary);
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& argv, CliIo io) {
    if (argv.size() < 2) {
        PrintOverview(io.err);
        return kExitUsage;
    }
    const std::string& name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintOverview(io.out);
        return kExitOk;
    }
    if (name == "--version") {
        std::fprintf(io.out, "halvo-cli %s\n", kVersionText);
        return kExitOk;
    }
    for (const Subcommand& c : Subcommands()) {
        if (name == c.name) {
            Args args(std::vector<std::string>(argv.begin() + 2, argv.end()));
            if (args.takeFlag("--help") || args.takeFlag("-h")) {
                std::fputs(c.usage, io.out);
                return kExitOk;
            }
            return c.run(args, io);
        }
    }
    std::fprintf(io.err, "halvo-cli: unknown command '%s'\n\n", name.c_str());
    PrintOverview(io.err);
    return kExitUsage;
}

}  // namespace halvo::cli

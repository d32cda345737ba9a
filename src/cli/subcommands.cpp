#include <cstring>
#include <string>

#include "cli/subcommand.h"
#include "common/install_layout_paths.h"
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
extern const Subcommand kDemoCommand;
extern const Subcommand kResultsCommand;

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
        kDemoCommand,
        kResultsCommand,
    };
    return commands;
}

int UsageError(const Subcommand& command, CliIo& io, const std::string& message) {
    std::fprintf(io.err, "halvo-cli %s: %s\n\n%s", command.name, message.c_str(), command.usage);
    return kExitUsage;
}

const char* const kOverviewUsage =
    "usage: halvo-cli <command> [arguments]\n"
    "       halvo-cli <command> --help\n"
    "       halvo-cli help [<command>]\n"
    "       halvo-cli --version\n";

const char* const kCliDescription =
    "The command-line front end of the Halvo calibration station for Vorla broadcast monitors:\n"
    "the station's colour science, monitor identification and EEPROM copies, readings with any\n"
    "of the station's instruments, calibration runs, aging, and calibration data files.\n"
    "Commands that connect a station run the same controller as the window (halvo) with the\n"
    "Setup page's choices; with --simulate they run the built-in simulated station on a virtual\n"
    "clock, where hours of station time pass in seconds.\n";

std::string HelpText(const Subcommand& command) {
    std::string text = command.usage;
    if (command.stationOptions) {
        text += "\n";
        text += kStationOptionsHelp;
    }
    return text;
}

const std::vector<HelpSection>& OverviewSections() {
    static const std::vector<HelpSection> sections = {
        {"exit status",
         "  0  the command did what was asked\n"
         "  1  it failed: no connection, no answer, a run that failed, a file that could not be read\n"
         "     or written; the reason is on standard error (and in the station log, see --log)\n"
         "  2  the command line was not understood; the command's usage follows the message\n"},
        {"environment",
         "  HALVO_EXTRA_PORTS  colon-separated names added to the serial port list, e.g. the\n"
         "                     pseudo-terminals halvo-sim prints\n"
         "  HALVO_VENDOR_PATH  colon-separated directories searched first for the instrument\n"
         "                     makers' libraries (libpelko_core.so for the PELKO, libkmsecs200.so for\n"
         "                     the CS-200, libi1d3SDK.so for the i1 Display, libdccmtr.so for the\n"
         "                     Spyder4); then the installation's directory for them,\n"
         "                     <prefix>/" +
             std::string(install_paths::kVendorInPrefix) +
             "; then the system's library path;\n"
             "                     with --simulate, last the simulated stand-ins\n"
             "  HALVO_RESULTS_DB   where every run's record goes when --results-db is not given: a\n"
             "                     postgresql:// URL of the line's results server, or a database file\n"
             "  XDG_DATA_HOME      the embedded results database is $XDG_DATA_HOME/halvo/results.sqlite\n"
             "                     (~/.local/share/halvo/results.sqlite without it)\n"},
        {"files",
         "  Config.ini  the station's settings, in the working directory: read at the start of\n"
         "              every command that connects a station and rewritten when a setting\n"
         "              changes, as the window does\n"
         "  Station.ini beside Config.ini, the station's own settings: [Station] Name= what the\n"
         "              station calls itself on its records and certificates (default the host\n"
         "              name); [Results] Server=postgresql://... the results server, and its\n"
         "              time-outs in seconds, ConnectTimeout=3 and StatementTimeout=10\n"},
    };
    return sections;
}

namespace {

void PrintOverview(std::FILE* to) {
    std::fprintf(to, "%s\n%s\ncommands:\n", kOverviewUsage, kCliDescription);
    for (const Subcommand& c : Subcommands()) {
        std::fprintf(to, "  %-12s %s\n", c.name, c.summary);
    }
    for (const HelpSection& section : OverviewSections()) {
        std::fprintf(to, "\n%s:\n%s", section.title.c_str(), section.text.c_str());
    }
}

const Subcommand* Find(const std::string& name) {
    for (const Subcommand& c : Subcommands()) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

int UnknownCommand(CliIo& io, const std::string& name) {
    std::fprintf(io.err, "halvo-cli: unknown command '%s'\n\n", name.c_str());
    PrintOverview(io.err);
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& argv, CliIo io) {
    if (argv.size() < 2) {
        PrintOverview(io.err);
        return kExitUsage;
    }
    const std::string& name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        if (name == "help" && argv.size() > 2) {
            const Subcommand* c = Find(argv[2]);
            if (c == nullptr) {
                return UnknownCommand(io, argv[2]);
            }
            std::fputs(HelpText(*c).c_str(), io.out);
            return kExitOk;
        }
        PrintOverview(io.out);
        return kExitOk;
    }
    if (name == "--version") {
        std::fprintf(io.out, "halvo-cli %s\n", kVersionText);
        return kExitOk;
    }
    const Subcommand* c = Find(name);
    if (c == nullptr) {
        return UnknownCommand(io, name);
    }
    Args args(std::vector<std::string>(argv.begin() + 2, argv.end()));
    if (args.takeFlag("--help") || args.takeFlag("-h")) {
        std::fputs(HelpText(*c).c_str(), io.out);
        return kExitOk;
    }
    return c->run(args, io);
}

}  // namespace halvo::cli

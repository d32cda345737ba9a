#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_args.h"

namespace halvo::cli {

// Exit codes of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CliIo {
    std::FILE* out;
    std::FILE* err;
    // The operator's answers (the uniformity walk on a real station).
    std::FILE* in = stdin;
};

// One subcommand of halvo-cli; each lives in its own cmd_<name>.cpp and is listed in
// subcommands.cpp.
struct Subcommand {
    const char* name;
    const char* summary;  // one line for the overview
    const char* usage;    // the full help text
    int (*run)(Args& args, CliIo& io);
    // The command connects a whole station and takes its options (ControllerSession::
    // TakeOptions); its help ends with their description, written once for all of them.
    bool stationOptions = false;
};

const std::vector<Subcommand>& Subcommands();

// What `halvo-cli <command> --help` prints: the usage, then the station options when the
// command takes them. The manual page is made from the same texts.
std::string HelpText(const Subcommand& command);

// The closing sections of the overview (exit status, environment, files), shared by
// `halvo-cli --help` and the manual page.
struct HelpSection {
    std::string title;
    std::string text;
};
const std::vector<HelpSection>& OverviewSections();
extern const char* const kOverviewUsage;
extern const char* const kCliDescription;
extern const char* const kStationOptionsHelp;

// Reports a usage error: the message, then the subcommand's usage, on stderr. Returns kExitUsage.
int UsageError(const Subcommand& command, CliIo& io, const std::string& message);

// The whole command line; main() is a thin wrapper so tests can run it in process.
int RunCli(const std::vector<std::string>& argv, CliIo io);

}  // namespace halvo::cli

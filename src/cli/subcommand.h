#pragma once

#include <cstdio>
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
};

const std::vector<Subcommand>& Subcommands();

// Reports a usage error: the message, then the subcommand's usage, on stderr. Returns kExitUsage.
int UsageError(const Subcommand& command, CliIo& io, const std::string& message);

// The whole command line; main() is a thin wrapper so tests can run it in process.
int RunCli(const std::vector<std::string>& argv, CliIo io);

}  // namespace halvo::cli

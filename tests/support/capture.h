#pragma once

// Runs halvo-cli in process and captures what it prints.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/subcommand.h"

namespace halvo::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline CliResult RunCliCaptured(std::vector<std::string> args) {
    args.insert(args.begin(), "halvo-cli");
    char* outBuf = nullptr;
    char* errBuf = nullptr;
    size_t outLen = 0;
    size_t errLen = 0;
    std::FILE* out = open_memstream(&outBuf, &outLen);
    std::FILE* err = open_memstream(&errBuf, &errLen);
    CliResult r;
    r.exitCode = cli::RunCli(args, {out, err});
    std::fclose(out);
    std::fclose(err);
    r.out.assign(outBuf, outLen);
    r.err.assign(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    // With --simulate the simulated monitor reports every frame it refused; a command that
    // drives it is to send none.
    if (r.err.find("the simulated monitor refused") != std::string::npos) {
        ADD_FAILURE() << r.err;
    }
    return r;
}

}  // namespace halvo::test

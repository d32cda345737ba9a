#include <cstdio>
#include <string>
#include <vector>

#include "cli/subcommand.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    return halvo::cli::RunCli(args, {stdout, stderr});
}

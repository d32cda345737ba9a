// halvo-cli-manual: writes halvo-cli's manual page at build time (cli_manual.h).

#include <cstdio>
#include <string>

#include "cli/cli_manual.h"
#include "common/file_io.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: halvo-cli-manual <output.1>\n");
        return 2;
    }
    std::string error;
    if (!halvo::WriteFileAtomically(argv[1], halvo::cli::CliManualPage(), &error)) {
        std::fprintf(stderr, "halvo-cli-manual: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

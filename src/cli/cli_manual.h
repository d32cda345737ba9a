#pragma once

// halvo-cli's manual page, made from the texts of its --help: the overview, every subcommand of
// the table with its usage, the station options and the overview's closing sections.

#include <string>

namespace halvo::cli {

std::string CliManualPage();

}  // namespace halvo::cli

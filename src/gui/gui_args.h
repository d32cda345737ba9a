#pragma once

// The window's command line, after Qt has taken its own options (-platform, -style, ...).

#include <string>
#include <vector>

namespace halvo::gui {

struct GuiArgs {
    bool simulate = false;
    bool help = false;
    bool version = false;
    std::string resultsDb;  // --results-db <url or file>
    std::string error;  // not empty: the command line was not understood
};

// args without the program name.
GuiArgs ParseGuiArgs(const std::vector<std::string>& args);

// True when the command line only asks for --help or --version, which are answered without
// opening a window (so they work without a display).
bool AsksForHelpOrVersion(const std::vector<std::string>& args);

extern const char* const kGuiUsage;

}  // namespace halvo::gui

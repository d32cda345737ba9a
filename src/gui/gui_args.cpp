#include "gui/gui_args.h"

namespace halvo::gui {

const char* const kGuiUsage =
    "usage: halvo [--simulate] [--results-db <url>] [Qt options]\n"
    "       halvo --help | --version\n"
    "\n"
    "The station window: it connects a monitor and an instrument, calibrates the monitor and\n"
    "verifies it. Settings are kept in Config.ini in the working directory; the sounds\n"
    "Error.wav, Success.wav and Fail.wav are played from there when it has them, else the\n"
    "installed ones.\n"
    "\n"
    "  --simulate   offer the built-in simulated station: its monitor (SIM-MONITOR) and\n"
    "               CA-210 analyser (SIM-CA) appear in the Setup page's port lists and run\n"
    "               in real time, so the station can be tried without hardware\n"
    "  --results-db <url>\n"
    "               where every run's record goes: a postgresql:// URL of the line's results\n"
    "               server, or another embedded database file (default HALVO_RESULTS_DB, else\n"
    "               Station.ini beside Config.ini, which the window's \"Results...\" sets)\n"
    "  -h, --help   this text\n"
    "  --version    the program version\n"
    "\n"
    "Qt's own options work too, e.g. -platform offscreen.\n";

GuiArgs ParseGuiArgs(const std::vector<std::string>& args) {
    GuiArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--simulate") {
            parsed.simulate = true;
        } else if (a == "--results-db" || a.rfind("--results-db=", 0) == 0) {
            const bool joined = a.size() > 12;
            if (!joined && i + 1 >= args.size()) {
                parsed.error = parsed.error.empty() ? "--results-db needs a value" : parsed.error;
                continue;
            }
            parsed.resultsDb = joined ? a.substr(13) : args[++i];
        } else if (a == "--help" || a == "-h") {
            parsed.help = true;
        } else if (a == "--version") {
            parsed.version = true;
        } else if (parsed.error.empty()) {
            parsed.error = "unknown option '" + a + "'";
        }
    }
    return parsed;
}

bool AsksForHelpOrVersion(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h" || a == "--version") {
            return true;
        }
    }
    return false;
}

}  // namespace halvo::gui

// halvo-manual: writes the window's manual page at build time from its --help text.

#include <cstdio>
#include <string>

#include "common/file_io.h"
#include "common/man_page.h"
#include "common/version.h"
#include "gui/gui_args.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: halvo-manual <output.1>\n");
        return 2;
    }
    halvo::ManPage page("halvo", 1, std::string("Halvo ") + halvo::kVersionText, "User Commands");
    page.section("name");
    page.paragraph("halvo - the station window of the Halvo monitor calibration station");
    page.section("synopsis");
    page.preformatted(halvo::gui::kGuiUsage);
    page.section("description");
    page.paragraph(
        "The operator's program: it connects a Vorla monitor and a light-measuring instrument, "
        "calibrates the monitor on the \"Calibration\" page, verifies it on the \"Measure\" page and keeps "
        "its settings, chosen on the \"Setup\" page, in Config.ini in the working directory. The sounds "
        "Error.wav, Success.wav and Fail.wav are played from the working directory when it has them, "
        "else the installed ones.");
    page.section("see also");
    page.paragraph("halvo-cli(1), the same station without a window.");
    std::string error;
    if (!halvo::WriteFileAtomically(argv[1], page.text(), &error)) {
        std::fprintf(stderr, "halvo-manual: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

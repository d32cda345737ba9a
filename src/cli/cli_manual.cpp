#include "cli/cli_manual.h"

#include "cli/subcommand.h"
#include "common/man_page.h"
#include "common/version.h"

namespace halvo::cli {
namespace {

// The overview's one-line summary as a sentence.
std::string Sentence(const char* summary) {
    std::string text = summary;
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z') {
        text.front() = static_cast<char>(text.front() - 'a' + 'A');
    }
    return text + ".";
}

}  // namespace

std::string CliManualPage() {
    ManPage page("halvo-cli", 1, std::string("Halvo ") + kVersionText, "User Commands");
    page.section("name");
    page.paragraph("halvo-cli - command-line front end of the Halvo monitor calibration station");
    page.section("synopsis");
    page.preformatted(kOverviewUsage);
    page.section("description");
    page.paragraph(kCliDescription);
    page.paragraph("Every command prints its usage with --help; the sections below hold the same texts.");
    page.section("commands");
    for (const Subcommand& c : Subcommands()) {
        page.subsection(c.name);
        page.paragraph(Sentence(c.summary));
        page.preformatted(c.usage);
        if (c.stationOptions) {
            page.paragraph("It takes the station options (see STATION OPTIONS below).");
        }
    }
    page.section("station options");
    page.preformatted(kStationOptionsHelp);
    for (const HelpSection& s : OverviewSections()) {
        page.section(s.title);
        page.preformatted(s.text);
    }
    page.section("see also");
    page.paragraph("halvo(1); halvo-sim --help (the simulated station on pseudo-terminals).");
    return page.text();
}

}  // namespace halvo::cli

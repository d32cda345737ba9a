// Every subcommand's --help against what the command really accepts, and the manual page made
// from the same texts. New subcommands in the table are checked without touching this file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_manual.h"
#include "cli/subcommand.h"
#include "common/file_io.h"
#include "common/version.h"
#include "support/capture.h"

namespace halvo {
namespace {

using test::RunCliCaptured;

// Option names (-v, --count) in a text, at the start of a word.
std::set<std::string> OptionsIn(const std::string& text) {
    static const std::regex option(R"((?:^|[\s\[(|,])(--?[A-Za-z][A-Za-z0-9-]*))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    return names;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines that promise options: the synopsis (up to the first blank line) and the option
// lists ("  --name ..."). Prose may name other commands' options ("measure --matrix").
std::string PromisingLines(const std::string& help) {
    std::string promised;
    bool synopsis = true;
    for (const std::string& line : Lines(help)) {
        synopsis = synopsis && !line.empty();
        const size_t first = line.find_first_not_of(' ');
        if (synopsis || (first != std::string::npos && first >= 2 && line[first] == '-')) {
            promised += line + "\n";
        }
    }
    return promised;
}

// The options a command asks its command line for. It is run with an option nobody accepts,
// so it stops at the usage error without doing anything; once more with --simulate, since some
// commands take the rest of their options only when a station was chosen.
std::set<std::string> AcceptedOptions(const cli::Subcommand& command, int& exitWithoutSimulate,
                                      int& exitWithSimulate) {
    std::set<std::string> names;
    for (const bool simulate : {false, true}) {
        std::vector<std::string> argv = {"--no-such-option"};
        if (simulate) {
            argv.insert(argv.begin(), "--simulate");
        }
        cli::Args args(argv);
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        cli::CliIo io{out, err};
        (simulate ? exitWithSimulate : exitWithoutSimulate) = command.run(args, io);
        std::fclose(out);
        std::fclose(err);
        names.insert(args.askedFor().begin(), args.askedFor().end());
    }
    return names;
}

TEST(CliHelp, EveryOptionACommandAcceptsIsInItsHelpAndNoOtherIsPromised) {
    for (const cli::Subcommand& c : cli::Subcommands()) {
        SCOPED_TRACE(c.name);
        int plain = -1;
        int simulated = -1;
        const std::set<std::string> accepted = AcceptedOptions(c, plain, simulated);
        EXPECT_EQ(plain, cli::kExitUsage);
        EXPECT_EQ(simulated, cli::kExitUsage);

        const std::string help = cli::HelpText(c);
        const std::set<std::string> described = OptionsIn(help);
        for (const std::string& name : accepted) {
            EXPECT_TRUE(described.count(name)) << "halvo-cli " << c.name << " accepts " << name
                                               << " but its --help does not describe it (a command that takes"
                                                  " the station options sets stationOptions)";
        }
        for (const std::string& name : OptionsIn(PromisingLines(help))) {
            EXPECT_TRUE(accepted.count(name)) << "halvo-cli " << c.name << " --help promises " << name
                                              << ", which the command does not take";
        }
    }
}

TEST(CliHelp, EveryUsageNamesItsCommandAndFitsATerminal) {
    for (const cli::Subcommand& c : cli::Subcommands()) {
        SCOPED_TRACE(c.name);
        const std::string help = cli::HelpText(c);
        const std::string usage = std::string("usage: halvo-cli ") + c.name;
        ASSERT_GT(help.size(), usage.size());
        EXPECT_EQ(help.rfind(usage, 0), 0u) << help;
        EXPECT_TRUE(help[usage.size()] == ' ' || help[usage.size()] == '\n') << help;
        EXPECT_EQ(help.back(), '\n');
        for (const std::string& line : Lines(help)) {
            EXPECT_LE(line.size(), 100u) << line;
        }
    }
}

TEST(CliHelp, TheThreeWaysToAskGiveTheSameTextOnStdout) {
    for (const cli::Subcommand& c : cli::Subcommands()) {
        SCOPED_TRACE(c.name);
        const std::string expected = cli::HelpText(c);
        for (const std::vector<std::string>& argv :
             {std::vector<std::string>{c.name, "--help"}, {c.name, "-h"}, {"help", c.name}}) {
            const test::CliResult r = RunCliCaptured(argv);
            EXPECT_EQ(r.exitCode, cli::kExitOk);
            EXPECT_EQ(r.out, expected);
            EXPECT_EQ(r.err, "");
        }
    }
    const test::CliResult unknown = RunCliCaptured({"help", "calibrat"});
    EXPECT_EQ(unknown.exitCode, cli::kExitUsage);
    EXPECT_NE(unknown.err.find("unknown command 'calibrat'"), std::string::npos);
}

TEST(CliHelp, TheOverviewListsEveryCommandAndTheVersionIsTheProjects) {
    const test::CliResult overview = RunCliCaptured({"--help"});
    EXPECT_EQ(overview.exitCode, cli::kExitOk);
    for (const cli::Subcommand& c : cli::Subcommands()) {
        EXPECT_NE(overview.out.find(std::string("  ") + c.name + " "), std::string::npos) << c.name;
        EXPECT_NE(overview.out.find(c.summary), std::string::npos) << c.name;
    }
    for (const cli::HelpSection& s : cli::OverviewSections()) {
        EXPECT_NE(overview.out.find(s.title + ":\n" + s.text), std::string::npos) << s.title;
    }
    // The install layout's paths are spliced into the overview; a multiarch one is long.
    for (const std::string& line : Lines(overview.out)) {
        EXPECT_LE(line.size(), 100u) << line;
    }
    const test::CliResult version = RunCliCaptured({"--version"});
    EXPECT_EQ(version.out, std::string("halvo-cli ") + kVersionText + "\n");
    EXPECT_EQ(std::string(kVersionText), "8.0.0");
}

TEST(CliManual, TheBuiltPageIsCurrentAndHasASectionPerCommand) {
    std::string built;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(HALVO_MAN_DIR "/halvo-cli.1", built, &error)) << error;
    EXPECT_EQ(built, cli::CliManualPage()) << "the build did not regenerate the manual page";
    for (const cli::Subcommand& c : cli::Subcommands()) {
        std::string heading = std::string(".SS \"") + c.name + "\"\n";
        // The page writes hyphen-minus signs as \- .
        size_t dash = 0;
        while ((dash = heading.find('-', dash)) != std::string::npos) {
            heading.replace(dash, 1, "\\-");
            dash += 2;
        }
        EXPECT_NE(built.find(heading), std::string::npos) << c.name;
    }
    for (const char* section : {".SH \"SYNOPSIS\"", ".SH \"STATION OPTIONS\"", ".SH \"EXIT STATUS\"",
                                ".SH \"ENVIRONMENT\"", ".SH \"FILES\""}) {
        EXPECT_NE(built.find(section), std::string::npos) << section;
    }
}

}  // namespace
}  // namespace halvo

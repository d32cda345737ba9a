// Every command's options, found from what each command asks its command line for (as the help
// test finds them), so options added later are walked without touching this file: every list
// option takes "all" for all of its items and says so in its help, and every --out is an output
// whose folder is made. Then the outputs of the commands that write, into folders not yet there.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/subcommand.h"
#include "common/file_io.h"
#include "support/capture.h"
#include "support/working_directory.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;
using test::RunCliCaptured;

// What a command asked for when run with these arguments (and an option nobody takes, so that it
// stops at the usage error without doing anything).
cli::Args Parse(const cli::Subcommand& command, std::vector<std::string> argv) {
    argv.push_back("--no-such-option");
    cli::Args args(argv);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::CliIo io{out, err};
    command.run(args, io);
    std::fclose(out);
    std::fclose(err);
    return args;
}

struct Options {
    std::set<std::string> asked;
    std::map<std::string, size_t> lists;
    std::map<std::string, cli::OutputKind> outputs;
};

// Without and with --simulate: some commands take the rest of their options only with a station.
Options Discover(const cli::Subcommand& command) {
    Options o;
    for (const bool simulate : {false, true}) {
        const cli::Args args = Parse(command, simulate ? std::vector<std::string>{"--simulate"} : std::vector<std::string>{});
        o.asked.insert(args.askedFor().begin(), args.askedFor().end());
        o.lists.insert(args.listOptions().begin(), args.listOptions().end());
        o.outputs.insert(args.outputOptions().begin(), args.outputOptions().end());
    }
    return o;
}

// The help's words on one option: its synopsis entries ("--name value") and its own paragraph.
std::string HelpOn(const std::string& help, const std::string& name) {
    std::string said;
    // The value shown after the name: "--targets all|none|<rows,", "--report <file.xlsx|file.txt>".
    const std::regex synopsis("(?:^|[\\s\\[(|])" + std::regex_replace(name, std::regex("-"), "\\-") + " (\\S+)");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), synopsis); it != std::sregex_iterator(); ++it) {
        said += (*it)[1].str() + "\n";
    }
    size_t at = help.find("\n  " + name + " ");
    if (at == std::string::npos) {
        at = help.find("\n  " + name + ",");
    }
    if (at != std::string::npos) {
        const size_t end = help.find("\n  -", at + 1);
        said += help.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }
    return said;
}

bool LooksLikeAList(const std::string& said) {
    return said.find("<list>") != std::string::npos || said.find("all|") != std::string::npos ||
           said.find("separated by commas") != std::string::npos || said.find("comma-separated") != std::string::npos;
}

TEST(CliOptionWalk, EveryListOptionTakesAllAndEveryOutIsAnOutput) {
    int lists = 0;
    for (const cli::Subcommand& c : cli::Subcommands()) {
        SCOPED_TRACE(c.name);
        const Options o = Discover(c);
        const std::string help = cli::HelpText(c);
        for (const std::string& name : o.asked) {
            const std::string said = HelpOn(help, name);
            if (LooksLikeAList(said)) {
                EXPECT_TRUE(o.lists.count(name)) << c.name << " " << name << " reads like a list in its help ("
                                                 << said << ") but is not taken as a list option";
            }
            if (name == "--out") {
                EXPECT_TRUE(o.outputs.count(name)) << c.name << " --out is not taken as an output";
            }
        }
        for (const auto& [name, count] : o.lists) {
            SCOPED_TRACE(name);
            ++lists;
            EXPECT_NE(HelpOn(help, name).find("all"), std::string::npos) << "the help does not offer all";
            std::vector<int> every;
            for (size_t i = 0; i < count; ++i) {
                every.push_back(static_cast<int>(i));
            }
            for (const bool simulate : {false, true}) {
                std::vector<std::string> argv = {name, "all"};
                if (simulate) {
                    argv.insert(argv.begin(), "--simulate");
                }
                const cli::Args args = Parse(c, argv);
                const auto taken = args.listValues().find(name);
                ASSERT_NE(taken, args.listValues().end()) << "\"all\" was refused";
                EXPECT_EQ(taken->second, every);
                EXPECT_EQ(Parse(c, {name, "ALL"}).listValues().count(name), 1u) << "whatever its case";
            }
        }
    }
    EXPECT_GE(lists, 4) << "calibrate --targets, --color-space, --color-spaces; verify --color-spaces";
}

TEST(CliOptionWalk, AListTakesItsItemsInAnyOrderAndRefusesUnknownOnes) {
    cli::ListVocabulary v;
    v.items = {{"BT.709", "709"}, {"EBU"}, {"NTSC"}};
    cli::Args args({"--x", "ntsc, 709", "--y", "EBU,PAL", "--z", ""});
    bool bad = false;
    EXPECT_EQ(args.takeList("--x", v, &bad), (std::vector<int>{0, 2}));
    EXPECT_FALSE(bad);
    EXPECT_FALSE(args.takeList("--y", v, &bad));
    EXPECT_TRUE(bad);
    EXPECT_FALSE(args.takeList("--z", v, &bad));
    EXPECT_TRUE(bad) << "an empty list chooses nothing";
    EXPECT_FALSE(args.takeList("--w", v, &bad));
    EXPECT_FALSE(bad) << "absent";
    cli::Args none({"--x", "none"});
    EXPECT_FALSE(none.takeList("--x", v, &bad));
    EXPECT_TRUE(bad) << "none only where the option allows it";
    v.noneAllowed = true;
    cli::Args allowed({"--x", "none"});
    EXPECT_EQ(allowed.takeList("--x", v, &bad), std::vector<int>{});
}

class CliOutputs : public test::InScratchDirectory {};

TEST_F(CliOutputs, AnOutputsFolderIsMadeOrWhyNotIsSaid) {
    std::string error;
    EXPECT_TRUE(cli::PrepareOutput("a/b/c", cli::OutputKind::Folder, &error)) << error;
    EXPECT_TRUE(fs::is_directory("a/b/c"));
    EXPECT_TRUE(cli::PrepareOutput("d/e/file.txt", cli::OutputKind::File, &error)) << error;
    EXPECT_TRUE(fs::is_directory("d/e"));
    EXPECT_FALSE(fs::exists("d/e/file.txt"));
    EXPECT_TRUE(cli::PrepareOutput("here.txt", cli::OutputKind::File, &error));
    ASSERT_TRUE(WriteFileAtomically("plain", "x", nullptr));
    EXPECT_FALSE(cli::PrepareOutput("plain/sub", cli::OutputKind::Folder, &error));
    EXPECT_NE(error.find("cannot make the folder plain/sub"), std::string::npos) << error;
}

TEST_F(CliOutputs, EveryOutputFolderIsMadeWhenMissing) {
    const auto calibrate = RunCliCaptured({"calibrate", "--simulate", "--targets", "2", "--out", "runs/today"});
    ASSERT_EQ(calibrate.exitCode, 0) << calibrate.err;
    EXPECT_TRUE(fs::exists("runs/today/VRL000001.cal"));
    EXPECT_TRUE(fs::exists("runs/today/VRL000001Log.txt"));

    const auto imported = RunCliCaptured({"caldata", "import-log", "runs/today/VRL000001Log.txt", "--out", "cal/from/log.cal"});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_TRUE(fs::exists("cal/from/log.cal"));

    const auto eeprom = RunCliCaptured({"eeprom", "read", "--simulate", "--out", "images/monitor1/eeprom.bin"});
    EXPECT_EQ(eeprom.exitCode, 0) << eeprom.err;
    EXPECT_EQ(fs::file_size("images/monitor1/eeprom.bin"), 1485u);

    const auto aging = RunCliCaptured({"aging", "--simulate", "--time", "1", "--period", "1", "--out", "aging/one/lines.txt"});
    EXPECT_EQ(aging.exitCode, 0) << aging.err;
    EXPECT_TRUE(fs::exists("aging/one/lines.txt"));

    // A folder that cannot be made is said, and nothing runs.
    ASSERT_TRUE(WriteFileAtomically("plain", "x", nullptr));
    const auto blocked = RunCliCaptured({"calibrate", "--simulate", "--out", "plain/runs"});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("cannot make the folder plain/runs"), std::string::npos) << blocked.err;
}

TEST_F(CliOutputs, AllChoosesEveryColourSpaceOfTheVerification) {
    const auto r = RunCliCaptured({"verify", "--simulate", "--color", "--color-spaces", "all", "--report", "all.txt"});
    ASSERT_NE(r.exitCode, 2) << r.err;
    std::string text;
    ASSERT_TRUE(ReadWholeFile("all.txt", text, nullptr));
    for (const char* space : {"Native", "BT.709", "SMPTE-C", "EBU", "NTSC", "D-Cinema"}) {
        EXPECT_NE(text.find(std::string("ColorSpace : ") + space + "\r\n"), std::string::npos) << space;
    }
}

}  // namespace
}  // namespace halvo

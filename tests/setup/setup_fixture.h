#pragma once

// A Setup page in a fresh directory of its own, with the commands it posts recorded.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/file_io.h"
#include "setup/config_ini.h"
#include "setup/setup_page.h"

namespace halvo::test {

// Config.ini as version 9.9 writes it with every default, on the fixture's ports.
inline const std::string kDefaultConfig =
    ">909\r\n/dev/ttyS1\r\n\r\nCA-210\r\n/dev/ttyS2\r\n9600\r\n7\r\nEven\r\n2\r\n100% Color Bars\r\n"
    "1\r\n60\r\n0\r\n0\r\n0\r\n0\r\n0\r\n350\r\n1000\r\n15\r\n0\r\n8\r\n";

struct RecordingSink : CommandSink {
    std::vector<std::pair<int, int>> posted;
    void postOperatorCommand(int group, int item) override { posted.emplace_back(group, item); }
};

class SetupTest : public ::testing::Test {
public:
    // Inside a gtest fixture the bare name Setup is taken by a trap for misspelling SetUp.
    using Page = ::halvo::Setup;

    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "halvo_setup_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir, ignored);
    }

    std::string path() const { return dir + "/Config.ini"; }
    void writeFile(const std::string& content) const { ASSERT_TRUE(WriteFileAtomically(path(), content, nullptr)); }
    std::string readFile() const {
        std::string content;
        EXPECT_TRUE(ReadWholeFile(path(), content, nullptr));
        return content;
    }
    // Line n of the file on disk; "<unreadable>" unless it is a whole file of version 9.9.
    std::string fileLine(int n) const {
        const std::optional<ConfigLines> lines = ParseConfigIni(readFile(), 909);
        return lines ? lines->text[static_cast<size_t>(n)] : "<unreadable>";
    }
    void create(Page& setup) const { setup.create(909, ports, dir); }

    std::string dir;
    std::vector<std::string> ports = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyUSB0"};
    RecordingSink sink;
    QuietStationUi ui;
};

}  // namespace halvo::test

// The station never loads a library from the working directory: the built program, run from a
// folder where someone has dropped libraries under the makers' names (and under the name of one
// the program itself needs), finds its own or none.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/working_directory.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;

class LibrarySearch : public test::InScratchDirectory {
protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        for (const char* name : {"libdccmtr.so", "libpelko_core.so", "libkmsecs200.so", "libi1d3SDK.so",
                                 "libxlsxwriter.so.4"}) {
            fs::copy_file(HALVO_PLANTED_LIBRARY, dir_ + "/" + name);
        }
    }
    // halvo-cli in the scratch directory, HALVO_VENDOR_PATH as given (unset when null); its exit.
    int run(const std::vector<std::string>& arguments, const char* vendorPath = nullptr) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (vendorPath != nullptr) {
                ::setenv("HALVO_VENDOR_PATH", vendorPath, 1);
            } else {
                ::unsetenv("HALVO_VENDOR_PATH");
            }
            std::vector<std::string> argv = {"halvo-cli"};
            argv.insert(argv.end(), arguments.begin(), arguments.end());
            std::vector<char*> raw;
            for (std::string& a : argv) {
                raw.push_back(a.data());
            }
            raw.push_back(nullptr);
            ::freopen("/dev/null", "w", stdout);
            ::freopen("/dev/null", "w", stderr);
            ::execv(HALVO_CLI_BINARY, raw.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool planted() const { return fs::exists(dir_ + "/planted-library-was-loaded"); }
};

TEST_F(LibrarySearch, ALibraryInTheWorkingDirectoryIsNeverLoaded) {
    // No maker's library installed: the Spyder4 cannot be used, and nothing planted is taken.
    EXPECT_EQ(run({"measure", "--monitor", "/dev/halvo-no-monitor", "--instrument", "Spyder4", "--count", "1"}), 1);
    EXPECT_FALSE(planted());
    // Not even when the operator's setting names the working directory.
    EXPECT_EQ(run({"measure", "--monitor", "/dev/halvo-no-monitor", "--instrument", "Spyder4", "--count", "1"}, "."), 1);
    EXPECT_EQ(run({"measure", "--monitor", "/dev/halvo-no-monitor", "--instrument", "Spyder4", "--count", "1"}, ":"), 1);
    EXPECT_FALSE(planted());
    // The simulated station measures with its own stand-in.
    EXPECT_EQ(run({"measure", "--simulate", "--instrument", "Spyder4", "--count", "1"}), 0);
    EXPECT_EQ(run({"measure", "--simulate", "--instrument", "PELKO", "--count", "1"}), 0);
    EXPECT_FALSE(planted());
}

}  // namespace
}  // namespace halvo

#include "common/install_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace halvo {
namespace {

// A scratch install tree: <root>/bin and <root>/lib/halvo/standins.
class InstallTree : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/halvo-layout-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* dir : {"/bin", "/lib", "/lib/halvo", "/lib/halvo/standins"}) {
            ASSERT_EQ(::mkdir((root_ + dir).c_str(), 0755), 0);
        }
    }
    void TearDown() override {
        const std::string command = "rm -rf '" + root_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string root_;
};

TEST_F(InstallTree, RelativeDirectoriesAreTakenFromTheProgramsDirectoryAndResolved) {
    EXPECT_EQ(ExistingDirectoryBeside(root_ + "/bin", "../lib/halvo/standins"), root_ + "/lib/halvo/standins");
    // A directory the install did not make is no answer, so the caller falls back.
    EXPECT_EQ(ExistingDirectoryBeside(root_ + "/bin", "../lib/halvo/vendor"), "");
    EXPECT_EQ(ExistingDirectoryBeside(root_ + "/bin", "../share/halvo/sounds"), "");
}

TEST_F(InstallTree, AbsoluteDirectoriesStandAsGiven) {
    EXPECT_EQ(ExistingDirectoryBeside("/nowhere/bin", root_ + "/lib/halvo"), root_ + "/lib/halvo");
    EXPECT_EQ(ExistingDirectoryBeside("", root_ + "/lib"), root_ + "/lib");
}

TEST(InstallLayout, NothingIsFoundWithoutAPathOrAProgramDirectory) {
    EXPECT_EQ(ExistingDirectoryBeside("/usr/bin", ""), "");
    EXPECT_EQ(ExistingDirectoryBeside("", "../lib"), "");
}

TEST(InstallLayout, TheProgramDirectoryHoldsTheRunningProgram) {
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    struct stat st {};
    EXPECT_EQ(::stat((dir + "/halvo_common_tests").c_str(), &st), 0) << dir;
}

TEST(InstallLayout, AProgramOutsideAnInstallUsesTheBuildTreesStandIns) {
    // The test program lives in the build tree, where nothing is installed beside it.
    EXPECT_EQ(VendorLibraryDirectory(), "");
    EXPECT_EQ(InstalledSoundDirectory(), "");
    const std::string standIns = StandInLibraryDirectory();
    EXPECT_FALSE(standIns.empty());
    EXPECT_EQ(standIns.find(ProgramDirectory()), std::string::npos) << standIns;
}

}  // namespace
}  // namespace halvo

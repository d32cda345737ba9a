// Whole-file writes that never leave a half-written file, and reads with a size limit.

#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace halvo {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        directory = ::testing::TempDir() + "halvo_file_io_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override {
        SetWriteFaultForTesting(WriteFault());
        fs::remove_all(directory);
    }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
    }
    std::string read(const std::string& path) const {
        std::string data;
        std::string error;
        EXPECT_TRUE(ReadWholeFile(path, data, &error)) << error;
        return data;
    }

    std::string directory;
};

TEST_F(FileIo, AWriteReplacesTheFileWholeAndKeepsItsPermissions) {
    const std::string path = directory + "/a.cal";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, WithCrLf("one\ntwo\n"), &error)) << error;
    EXPECT_EQ(read(path), "one\r\ntwo\r\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "three", &error)) << error;
    EXPECT_EQ(read(path), "three");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIo, AFullOrReadOnlyDiskLeavesThePreviousFileAndNoTemporary) {
    const std::string path = directory + "/a.cal";
    const std::string fresh = directory + "/new.cal";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "the good data", &error));
    for (const WriteFault fault : {WriteFault{false, 4}, WriteFault{false, 0}, WriteFault{true, -1}}) {
        SetWriteFaultForTesting(fault);
        error.clear();
        EXPECT_FALSE(WriteFileAtomically(path, std::string(100, 'x'), &error));
        EXPECT_EQ(error, fault.readOnly ? "cannot create a file beside " + path + ": Read-only file system"
                                        : "cannot write " + path + ": No space left on device");
        EXPECT_FALSE(WriteFileAtomically(fresh, std::string(100, 'x'), &error));
        SetWriteFaultForTesting(WriteFault());
        EXPECT_EQ(read(path), "the good data");
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(entries(), 1u);
    }
    // A file that fits in the space left is written.
    SetWriteFaultForTesting(WriteFault{false, 3});
    EXPECT_TRUE(WriteFileAtomically(path, "abc", &error)) << error;
    EXPECT_EQ(read(path), "abc");
}

TEST_F(FileIo, ReadsRefuseWhatIsTooLargeMissingOrADirectory) {
    const std::string path = directory + "/big.txt";
    std::ofstream(path) << std::string(1000, 'b');
    std::string data = "kept";
    std::string error;
    EXPECT_FALSE(ReadWholeFile(path, data, &error, 999));
    EXPECT_EQ(error, path + " is larger than 999 bytes");
    EXPECT_EQ(data, "kept");
    EXPECT_TRUE(ReadWholeFile(path, data, &error, 1000));
    EXPECT_EQ(data.size(), 1000u);
    EXPECT_FALSE(ReadWholeFile(directory + "/none.txt", data, &error));
    EXPECT_EQ(error, "cannot open " + directory + "/none.txt: No such file or directory");
    EXPECT_FALSE(ReadWholeFile(directory, data, &error));
    EXPECT_EQ(error, "cannot read " + directory + ": Is a directory");
}

}  // namespace
}  // namespace halvo

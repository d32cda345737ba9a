#pragma once

// A test that runs in a scratch working directory of its own (as an operator runs halvo-cli in a
// folder): Config.ini, .cal files, logs and reports land there and go with the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace halvo::test {

class InScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = ::testing::TempDir() + "halvo_" + info->test_suite_name() + "_" + info->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ + "/out");
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path previous_;
    std::string dir_;
};

}  // namespace halvo::test

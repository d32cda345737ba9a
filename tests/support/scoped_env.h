#pragma once

// An environment variable set for a test's length and put back as it was afterwards.

#include <cstdlib>
#include <optional>
#include <string>

namespace halvo::test {

class ScopedEnv {
public:
    // value nullopt: unset for the test.
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* was = std::getenv(name_.c_str())) {
            saved_ = was;
        }
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ~ScopedEnv() {
        if (saved_) {
            setenv(name_.c_str(), saved_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace halvo::test

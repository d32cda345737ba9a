#pragma once

// One scratch directory for a fuzz target's whole run, removed at exit. Kept on the heap so that
// it outlives the exit handler that removes it.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace halvo::test {

inline const std::string& FuzzDirectory() {
    static const std::string* dir = [] {
        char name[] = "/tmp/halvo_fuzz_XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::abort();
        }
        auto* path = new std::string(name);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzDirectory(), ignored);
        });
        return path;
    }();
    return *dir;
}

}  // namespace halvo::test

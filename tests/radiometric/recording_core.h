#pragma once

// A test double of the spectroradiometer's core library: it records every call by number with
// its arguments ("30(7,380,780,1)"; outputs show as "&", absent ones as "0") and answers with
// scripted status codes and values.

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "radiometric/vantrel.h"

namespace halvo::test {

struct RecordingCore {
    std::vector<std::string> calls;
    std::map<int, std::deque<int32_t>> codes;  // per call number, used in turn; 0 when none left
    std::set<int> absent;                      // call numbers the core does not offer

    // What the core answers.
    int32_t devices = 2;
    int32_t running = 0;
    int32_t liveView = 1;
    int32_t begin = 380;
    int32_t end = 780;
    int32_t step = 1;
    double value = 0.25;
    float xyz[3] = {95.0f, 100.0f, 108.0f};

    // Installs this core as the one the lookup answers for (one at a time).
    PelkoCoreLookup lookup();
    // The calls since the last take, and clears them.
    std::vector<std::string> take();
    void fail(int ordinal, int32_t code) { codes[ordinal].push_back(code); }
};

}  // namespace halvo::test

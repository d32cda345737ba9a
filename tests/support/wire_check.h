#pragma once

// The wire as the simulated monitor judged it. Every test that drives the simulated monitor ends
// by comparing the protocol violations it saw with the ones the test expects (none, unless the
// test breaks the wire on purpose), so a station that sends what the monitor cannot take fails
// wherever it does so.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_monitor.h"

namespace halvo::test {

inline std::string ViolationList(const sim::ProtocolChecker& checker) {
    std::string out;
    for (const sim::ProtocolViolation& v : checker.violations()) {
        out += "  " + v.text() + "\n";
    }
    if (checker.violationCount() > checker.violations().size()) {
        out += "  ... " + std::to_string(checker.violationCount() - checker.violations().size()) + " more\n";
    }
    return out;
}

// The reasons of the violations, compared in order with the expected ones.
inline void ExpectViolations(const sim::SimMonitor& monitor, const std::vector<std::string>& expected) {
    const sim::ProtocolChecker& checker = monitor.checker();
    EXPECT_EQ(checker.reasons(), expected) << "the simulated monitor saw:\n" << ViolationList(checker);
    EXPECT_EQ(checker.violationCount(), expected.size());
}

// Compares, as it goes out of scope, what the monitor refused with what the test expects. It is
// declared after the simulated station, so the monitor outlives it.
class WireCheck {
public:
    explicit WireCheck(const sim::SimMonitor& monitor) : monitor_(monitor) {}
    ~WireCheck() { ExpectViolations(monitor_, expected); }
    WireCheck(const WireCheck&) = delete;
    WireCheck& operator=(const WireCheck&) = delete;

    std::vector<std::string> expected;

private:
    const sim::SimMonitor& monitor_;
};

}  // namespace halvo::test

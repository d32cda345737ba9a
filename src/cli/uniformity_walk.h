#pragma once

// halvo-cli calibrate --uniformity: the operator's side of a uniformity run. Before every
// position the operator moves the probe to the marked place and presses Calibrate. On the
// simulated station the probe follows the marker by itself and the press comes at once; with a
// real monitor the prompt is printed and the press waits for Enter.

#include <array>
#include <functional>
#include <string>

#include "cli/controller_session.h"
#include "cli/json_writer.h"

namespace halvo::cli {

struct UniformityReport {
    bool completed = false;
    std::string method;
    // The nine places as the run measured them before correcting, cells 1..9 (element 0 unused).
    std::array<double, 10> before{};
    double beforePercent = 0.0;
    // Simulated station only: the light at the nine places after the run, from the panel itself.
    bool simulatedAfter = false;
    std::array<double, 10> after{};
    double afterPercent = 0.0;
};

// Presses Calibrate for every position until the run ends; false when it did not complete
// (refused, stopped, links down, or no answer from the operator). progress is called as the run
// goes.
bool WalkUniformity(ControllerSession& session, CliIo& io, const std::function<void()>& progress);

// Non-uniformity in percent over the nine places as the verification computes it: relative to
// the brightest for the monitors whose correction is relative to it ("TXM" models, info 8 or
// info bit 7), else the half spread relative to the mid value.
double NonUniformityPercent(const std::array<double, 10>& lv, bool relativeToPeak);

UniformityReport MakeUniformityReport(ControllerSession& session, bool completed);
void PrintUniformityReport(CliIo& io, const UniformityReport& report);
void AddUniformityReport(JsonWriter& j, const UniformityReport& report);

}  // namespace halvo::cli

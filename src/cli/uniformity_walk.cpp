#include "cli/uniformity_walk.h"

#include <algorithm>
#include <cstring>

#include "calibration/uniformity_methods.h"

namespace halvo::cli {

namespace {

// A run of eighteen positions with refinement takes well under an hour of station time.
constexpr int64_t kWalkLimitMs = 6LL * 3600 * 1000;

// The operator's answer on a real station: true once Enter was pressed, false at end of input.
bool WaitForOperator(CliIo& io, int position) {
    std::fprintf(io.err, "%s: move the probe to the indicated location, then press Enter ",
                 UniformityPositionName(position));
    std::fflush(io.err);
    char line[256];
    if (std::fgets(line, sizeof line, io.in) == nullptr) {
        std::fprintf(io.err, "\n");
        return false;
    }
    return true;
}

}  // namespace

bool WalkUniformity(ControllerSession& session, CliIo& io, const std::function<void()>& progress) {
    CHalvoDlg& station = session.station();
    CalibrationEngine& engine = station.engine();
    UniformityCalibration& walk = engine.uniformity();
    const int completedBefore = walk.completedRuns;
    const int abandonedBefore = walk.abandonedRuns;
    const auto ended = [&] { return walk.completedRuns != completedBefore || walk.abandonedRuns != abandonedBefore; };
    const bool simulated = session.simStation() != nullptr;
    const int64_t start = session.scheduler().nowMs();
    while (session.scheduler().nowMs() - start < kWalkLimitMs) {
        const int pressedAt = engine.uniformityResumeCount;
        const int prompts = walk.prompts;
        if (!simulated && !WaitForOperator(io, pressedAt)) {
            std::fprintf(io.err, "halvo-cli calibrate: no answer from the operator; the run is left unfinished\n");
            return false;
        }
        station.calib().onAutoCalibration();
        bool waiting = false;
        while (!waiting && session.scheduler().nowMs() - start < kWalkLimitMs) {
            session.runUntil([&] { return ended() || (walk.awaitingOperator() && walk.prompts != prompts); }, 1000);
            progress();
            if (ended()) {
                return walk.completedRuns != completedBefore;
            }
            waiting = walk.awaitingOperator() && walk.prompts != prompts;
            if (!waiting && station.task().CalibrationState == kTaskIdle && !station.calib().running) {
                return false;  // the press started nothing (links down, stopped)
            }
        }
    }
    return false;
}

double NonUniformityPercent(const std::array<double, 10>& lv, bool relativeToPeak) {
    const auto [low, high] = std::minmax_element(lv.begin() + 1, lv.end());
    const double w = *high - *low;
    if (relativeToPeak) {
        return *high > 0.0 ? w * 100.0 / *high : 0.0;
    }
    const double mid = *low + w / 2.0;
    return mid > 0.0 ? (*high - mid) * 100.0 / mid : 0.0;
}

UniformityReport MakeUniformityReport(ControllerSession& session, bool completed) {
    CHalvoDlg& station = session.station();
    const UniformityCalibration& walk = station.engine().uniformity();
    const MonitorIdentity& id = station.identity();
    const bool relative = id.recognisedModel || id.modelInfo == 8 || (id.modelInfo & 0x80) != 0;
    UniformityReport r;
    r.completed = completed;
    r.method = UniformityMethodName(walk.method);
    std::copy(walk.uniformityLv.begin(), walk.uniformityLv.end(), r.before.begin());
    r.beforePercent = NonUniformityPercent(r.before, relative);
    if (sim::SimStation* sim = session.simStation()) {
        r.simulatedAfter = true;
        for (int cell = 1; cell <= 9; ++cell) {
            const sim::ScreenPoint p = sim::CellCentre(cell);
            r.after[static_cast<size_t>(cell)] = sim->monitor().emitted(p.px, p.py).Y;
        }
        r.afterPercent = NonUniformityPercent(r.after, relative);
    }
    return r;
}

void PrintUniformityReport(CliIo& io, const UniformityReport& r) {
    const auto row = [&](const char* title, const std::array<double, 10>& lv, double percent) {
        std::fprintf(io.out, "%-18s", title);
        for (size_t cell = 1; cell <= 9; ++cell) {
            std::fprintf(io.out, " %6.2f", lv[cell]);
        }
        std::fprintf(io.out, "   %5.2f %%\n", percent);
    };
    std::fprintf(io.out, "Uniformity method %s\n", r.method.c_str());
    std::fprintf(io.out, "Uniformity (cd/m2)    T-L    T-M    T-R    M-L Center    M-R    B-L    B-M    B-R\n");
    row("  measured before", r.before, r.beforePercent);
    if (r.simulatedAfter) {
        row("  panel after", r.after, r.afterPercent);
    }
}

void AddUniformityReport(JsonWriter& j, const UniformityReport& r) {
    j.beginObject("uniformity").string("method", r.method);
    j.beginArray("before");
    for (size_t cell = 1; cell <= 9; ++cell) {
        j.number(nullptr, r.before[cell]);
    }
    j.endArray().number("beforePercent", r.beforePercent);
    if (r.simulatedAfter) {
        j.beginArray("after");
        for (size_t cell = 1; cell <= 9; ++cell) {
            j.number(nullptr, r.after[cell]);
        }
        j.endArray().number("afterPercent", r.afterPercent);
    }
    j.endObject();
}

}  // namespace halvo::cli

#pragma once

// What the station hands a run's record to when the run ends.

#include "results/run_record.h"

namespace halvo::results {

class ResultsSink {
public:
    virtual ~ResultsSink() = default;
    // The station's name for the records; the controller fills it into each record.
    virtual void recordRun(RunRecord record) = 0;
};

}  // namespace halvo::results

#pragma once

// A results sink that keeps what the station hands it, for tests.

#include <vector>

#include "results/results_sink.h"

namespace halvo::test {

class RecordingSink : public results::ResultsSink {
public:
    void recordRun(results::RunRecord record) override { records.push_back(std::move(record)); }
    std::vector<results::RunRecord> records;
};

}  // namespace halvo::test

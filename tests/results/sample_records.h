#pragma once

// Records of every kind with every field filled, for the stores' round trips.

#include <string>
#include <vector>

#include "results/run_record.h"

namespace halvo::test {

// A .cal text as the station writes it: CR LF lines, blanks, tabs, a line that ends in a TAB.
inline std::string SampleCalText(int seed) {
    std::string text = "-Calibaration Data-\r\n_VERSION_\r\nX,7.40\r\n_BIT_\r\nP,1\r\nI,VRL0000" +
                       std::to_string(seed % 10) + "\r\n";
    for (int i = 0; i < 256; ++i) {
        text += "M," + std::to_string(i) + "," + std::to_string((i * 257 + seed) % 65536) + "\r\n";
    }
    text += "=========================================\r\n_BT_709_\r\n  0\t 12\t255\t\r\n\r\n_END_\r\n";
    return text;
}

inline results::RunRecord SampleRecord(results::RunKind kind, int n) {
    results::RunRecord r;
    r.runId = results::NewRunId();
    r.kind = kind;
    r.station = "line-" + std::to_string(n % 3);
    r.operatorName = n % 2 ? "Ines" : "J\u00f6rg";
    r.serialNumber = "SN" + std::to_string(1000 + n);
    r.model = "TXM-600-HD-S";
    r.firmware = "TXM-600-HD-S V1.02";
    r.calibrationId = "VRL00000" + std::to_string(n % 10);
    r.instrument = "K-10";
    r.instrumentSerial = "K10-" + std::to_string(77 + n);
    r.instrumentMatrix = "1: Panel matrix";
    r.startedAt = results::IsoTimeUtc(1714566896789LL + n * 3600000LL);
    r.endedAt = results::IsoTimeUtc(1714566896789LL + n * 3600000LL + 1500000);
    r.stationMs = 1500000 + n;
    r.outcome = n % 4 == 3 ? results::RunOutcome::Failed : results::RunOutcome::Completed;
    r.reason = r.outcome == results::RunOutcome::Failed ? "Fail to search the color temperature!!" : "";
    r.passed = r.outcome == results::RunOutcome::Completed;
    r.programVersion = "8.0";
    r.logText = std::string("CAL: Start Gamma Calibration\r\nSYS:u:0.1978 v':0.4683 \xce\x94uv:0.0001\r\n");
    if (kind == results::RunKind::Verification) {
        r.items = {
            {"Luminance of White", "3200K", "Lv", "100.66", "100cd/\u33A1\u00B120%  (80~120)", "OK"},
            {"Color Temperature", "6500K", "\u0394u'", "0.0030", "\u2264 0.0030", "OK"},
            {"Color Temperature", "6500K", "\u0394v'", "0.0040", "\u2264 0.0030", "OR"},
            {"Gamma", "BT-709", "Black~White", "2.215", "2.20\u00B10.02", "OK"},
            {"Gamma", "D-CINEMA", "Black~White", "2.550", "2.60\u00B10.02", "OR"},
            {"Uniformity", "", "", "", "\u2264 10%", "N/A"},
        };
        results::ComputeRunMetrics(r);
        r.passed = false;
    }
    if (kind == results::RunKind::Calibration || kind == results::RunKind::Copy) {
        r.calText = SampleCalText(n);
    }
    return r;
}

inline std::vector<results::RunRecord> OneOfEachKind() {
    std::vector<results::RunRecord> all;
    for (int k = 0; k < results::kRunKindCount; ++k) {
        all.push_back(SampleRecord(static_cast<results::RunKind>(k), k));
    }
    return all;
}

}  // namespace halvo::test

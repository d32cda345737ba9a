#pragma once

// The fault campaign's station: connected to the simulated monitor and CA-210 on the virtual
// clock, with the page choices of the runs it interrupts.

#include <algorithm>
#include <string>
#include <vector>

#include "scenarios/calibration_fixture.h"

namespace halvo::test {

class FaultFixture : public CalibrationFixture {
protected:
    // One colour space (by mask) at one level, and the white-point rows given.
    void chooseColourSpaces(unsigned mask, std::vector<int> whiteRows) {
        choose(false, 1, whiteRows);
        page().onColorSpaceToggled(true);
        ASSERT_TRUE(page().colorSpaceCheck.checked);
        for (int n = 0; n < kColorSpaceCount; ++n) {
            page().onTargetBoxToggled(n, (mask & (1u << n)) != 0);
        }
        page().setStepCount(8);
        page().onLevelToggled(false);
        page().onColorPriorityToggled(false);
        run(100);  // the page's events: the station restores the seventh white row, checked
        for (size_t t = 0; t < station->whiteTargets.size(); ++t) {
            const bool on = std::find(whiteRows.begin(), whiteRows.end(), static_cast<int>(t)) != whiteRows.end();
            station->whiteTargets[t].chosen = on;
            page().whiteList.rows[t].checked = on;
        }
    }

    bool logHas(const std::string& text) { return station->log().text().find(text) != std::string::npos; }
};

}  // namespace halvo::test

// The Measure page's verification run on the simulated station: starts and refusals, the steps
// of each kind, colour spaces, uniformity by the operator and by the jig, stop.

#include <algorithm>

#include "app/station_fixture.h"
#include "reports/report_export.h"

namespace halvo {
namespace {

class Verification : public test::StationFixture {
protected:
    void ready() {
        init();
        connect();
        station->onContinuouslyToggled(false);
        run(1000);
    }
    CMeasure& page() { return station->measure(); }
    // Only the kinds given checked.
    void choose(bool gamma, bool color, bool temperature, bool uniformity) {
        page().onKindToggled(kKindGamma, gamma);
        page().onKindToggled(kKindColor, color);
        page().onKindToggled(kKindTemperature, temperature);
        page().onKindToggled(kKindUniformity, uniformity);
    }
    void chooseSpaces(std::initializer_list<int> spaces) {
        page().onColorSpaceToggled(true);
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            page().onColorSpaceBoxToggled(cs, std::find(spaces.begin(), spaces.end(), cs) != spaces.end());
        }
    }
    // Runs until the run is over (or hands over to the operator); false when it did not end.
    bool finish(int64_t maxMs = 3600000) {
        return scheduler.runUntil(
            [this] { return station->task().CalibrationState == kTaskIdle; }, maxMs);
    }
    std::vector<std::string> framesExceptPolls() {
        std::vector<std::string> out;
        for (const std::string& f : monitorFrames()) {
            if (f != "F1 9B" && f.rfind("F4 89", 0) != 0) {
                out.push_back(f);
            }
        }
        return out;
    }
    const ColorSpaceResults& results(int cs) { return station->measurementResults.spaces[static_cast<size_t>(cs)]; }
    bool logHas(const std::string& text) { return station->log().text().find(text) != std::string::npos; }
    // A monitor of the first model (not the TXM-600-HD-S): no JUDD-OFFSET preset.
    void firstModel() { sim->monitor().config().versionText = "TXM-300 V2.10"; }
};

TEST_F(Verification, ADefaultRunMeasuresGammaColoursAndTemperatures) {
    firstModel();
    ready();
    ASSERT_TRUE(station->startOrStopMeasurement());
    EXPECT_EQ(station->task().progressTotal, 26);
    EXPECT_EQ(station->task().CalibrationState, 1);
    EXPECT_EQ(page().startButtonText, "Stop");
    EXPECT_FALSE(page().usable(MeasureControl::Kinds));
    ASSERT_TRUE(finish());
    EXPECT_FALSE(page().running);
    EXPECT_EQ(page().startButtonText, "Measure");
    EXPECT_TRUE(page().usable(MeasureControl::Save));
    EXPECT_EQ(page().progressText, "100%");

    const ColorSpaceResults& r = results(0);
    for (int k = 0; k <= 10; ++k) {
        EXPECT_GT(r.gamma[static_cast<size_t>(k)].lv, 0.0) << k;
    }
    EXPECT_LT(r.gamma[0].lv, r.gamma[5].lv);
    EXPECT_LT(r.gamma[5].lv, r.gamma[10].lv);
    EXPECT_GT(r.gammaValue, 1.5);
    for (int slot = 1; slot <= 8; ++slot) {
        EXPECT_GT(r.colors[static_cast<size_t>(slot)].lv, 0.0) << slot;
    }
    EXPECT_GT(r.colors[3].x, 0.6);  // red
    EXPECT_GT(r.colors[4].y, 0.6);  // green
    EXPECT_LT(r.colors[5].y, 0.1);  // blue
    for (int t = 0; t < 5; ++t) {
        EXPECT_GT(r.temperatures[static_cast<size_t>(t)].lv, 0.0) << t;
    }
    EXPECT_LT(r.temperatures[0].cct, r.temperatures[4].cct);
    EXPECT_EQ(page().resultTexts[0][kResultGamma].rfind("\u0433= ", 0), 0u);
    EXPECT_EQ(page().resultTexts[0][9].rfind("x:0.", 0), 0u);
    EXPECT_EQ(page().chart[0].gamma.size(), 11u);
    EXPECT_EQ(page().chart[0].chroma.size(), 14u);
    EXPECT_EQ(page().resultList.rows.size(), 14u);
    EXPECT_TRUE(logHas("MES: Draw pattern(255,255,255)\n"));
    EXPECT_TRUE(logHas("MES: Set color temperature(11000)\n"));
    EXPECT_TRUE(logHas("SYS:Calibration execution(0)\n") || logHas("MES: Calibration execution(0)\n"));
}

}  // namespace
}  // namespace halvo

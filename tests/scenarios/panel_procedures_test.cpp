// Every calibration procedure on both simulated panels, each ending with a verification of what
// it calibrated: gamma with the seven whites, the five colour spaces at one level and at several,
// each uniformity method, the ADC calibration, and a copy into a factory-fresh monitor of the
// same panel. The station is the same for both panels; nothing in it knows which it faces.

#include <cstdio>

#include "scenarios/panel_fixture.h"

namespace halvo {
namespace {

using test::PanelFixture;

constexpr std::initializer_list<int> kSevenWhites = {0, 1, 2, 3, 4, 5, 6};
constexpr unsigned kEverySpace = (1u << kColorSpaceCount) - 1;
constexpr unsigned kEveryMeasureSpace = (1u << kMeasureSpaceCount) - 1;

class EveryPanel : public PanelFixture {};

TEST_P(EveryPanel, GammaAndTheSevenWhitesPassTheirVerification) {
    ready();
    chooseRun(true, 0, 1, false, kSevenWhites);
    ASSERT_TRUE(calibrateAndStore()) << station->log().text();
    const ReportBook book = verify(1);
    EXPECT_EQ(OutOfRange(book), "");
    // Four whites' luminance and colour (twice), black, native gamma and primaries.
    EXPECT_GE(Judged(book), 4 + 1 + 8 + 1);
}

TEST_P(EveryPanel, TheFiveColourSpacesAtOneLevelPassInEverySpace) {
    ready();
    chooseRun(true, kEverySpace, 1, false, kSevenWhites);
    ASSERT_TRUE(calibrateAndStore()) << station->log().text();
    const ReportBook book = verify(kEveryMeasureSpace);
    EXPECT_EQ(OutOfRange(book), "");
    EXPECT_GE(Judged(book), 60);
}

TEST_P(EveryPanel, TheFiveColourSpacesAtSeveralLevelsWithWhitePriorityPassInEverySpace) {
    ready();
    chooseRun(true, kEverySpace, 4, true, kSevenWhites);
    ASSERT_TRUE(calibrateAndStore()) << station->log().text();
    const ReportBook book = verify(kEveryMeasureSpace);
    EXPECT_EQ(OutOfRange(book), "");
    EXPECT_GE(Judged(book), 60);
}

TEST_P(EveryPanel, TheAdcCalibrationCalibratesTheAnalogueInput) {
    ready();
    sim::MonitorInputs& inputs = sim->monitor().inputs();
    page().uniformityCheck.checked = false;
    page().onSourceChosen(2);  // YPbPr
    run(2000);
    page().onAutoCalibration();
    run(30000);
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);
    EXPECT_TRUE(inputs.adcCalibrated(8, scheduler.nowMs()));
    EXPECT_NE(station->log().text().find("SYS:ADC Calibration has complited\n"), std::string::npos);
}

TEST_P(EveryPanel, ACalibrationCopiedIntoAFactoryFreshMonitorOfThePanelPassesThere) {
    ready();
    chooseRun(true, 1u << kBt709 | 1u << kEbu, 2, false, kSevenWhites);
    ASSERT_TRUE(calibrateAndStore()) << station->log().text();
    const unsigned verified = 1u | 1u << (kBt709 + 1) | 1u << (kEbu + 1);
    const ReportBook original = verify(verified);
    EXPECT_EQ(OutOfRange(original), "");
    const std::string path = directory + "/copied.cal";
    ASSERT_TRUE(page().saveFile(path));

    // Another monitor with the same panel, as it leaves the factory (its own factory data).
    station->onConnectClicked(false);
    sim.reset();
    sim::SimStationConfig fresh = stationConfig();
    fresh.seed = 17;
    fresh.monitor.seed = 17;
    sim = std::make_unique<sim::SimStation>(scheduler, fresh);
    sim->install();
    connect();
    run(2000);
    const ReportBook factory = verify(verified);
    EXPECT_NE(OutOfRange(factory), "") << "a factory monitor is not calibrated yet";

    ASSERT_TRUE(copyFileIntoMonitor(path));
    sim->monitor().powerCycle();
    const ReportBook copied = verify(verified);
    EXPECT_EQ(OutOfRange(copied), "");
}

INSTANTIATE_TEST_SUITE_P(Panels, EveryPanel, ::testing::Values("wide-lcd", "cool-lcd"), test::PanelTestName);

// Each uniformity method on each panel, verified at the nine places by the jig.
struct Method {
    const char* name;
    const char* version;
    uint8_t info;
};
constexpr Method kMethods[] = {
    {"GammaCurve", "TXM-600-HD-S V1.02", 0x90}, {"Linear", "TXM-600 V1.00", 0x80},
    {"Gradient", "TXM-600 V1.00", 0x00},        {"Shape", "TXM-600 V1.00", 0x08},
    {"Table", "VM-170 V1.05", 0x00},
};

class EveryUniformityMethod : public PanelFixture {};

TEST_P(EveryUniformityMethod, EachMethodLeavesTheScreenUniformAtTheNinePlaces) {
    bool first = true;
    for (const Method& m : kMethods) {
        SCOPED_TRACE(m.name);
        if (first) {
            connectAs(m.version, m.info);
            first = false;
        } else {
            station->onConnectClicked(false);
            sim->monitor().factoryReset();
            sim->monitor().config().versionText = m.version;
            sim->monitor().config().modelInfo = m.info;
            connect();
            run(2000);
            page().gammaCheck.checked = false;
            page().colorSpaceCheck.checked = false;
            page().uniformityCheck.checked = true;
        }
        ASSERT_TRUE(walkToTheEnd()) << station->log().text();
        sim->monitor().powerCycle();
        const ReportBook book = verify(1, true);
        const VerdictLine* u = Find(book, "Uniformity", "", "");
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(u->verdict, Verdict::Ok) << u->value;
        std::printf("[ figures  ] %s %s uniformity %s %%\n", GetParam().c_str(), m.name, u->value.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, EveryUniformityMethod, ::testing::Values("wide-lcd", "cool-lcd"), test::PanelTestName);

}  // namespace
}  // namespace halvo

// The panel-gamma check against the simulated monitor: the curve each colour space is aimed at,
// the picture the monitor is left showing, and where a check run on its own starts.

#include <string>

#include "common/text_format.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

// The verification's gamma limit.
constexpr double kGammaCriterion = 0.03;

class PanelGammaCheck : public test::CalibrationFixture {
protected:
    // The page's colour-space boxes and "Color Priority", as the check reads them.
    void chooseSpaces(unsigned mask, bool priority) {
        chooseColourSpaces(mask, priority ? 3 : 1, priority);
        ASSERT_EQ(page().data.colorSpaceMask, mask);
    }

    // The Calibration page's panel-gamma check on its own (command 2/8), to its completion.
    void check() {
        ui.notices.completionOpen = false;
        logFrom = station->log().text().size();
        station->handleOperatorCommand(2, 8);
        ASSERT_TRUE(scheduler.runUntil([&] { return ui.notices.completionOpen; }, 3600 * 1000)) << checkLog();
        station->onCompletionOk();  // stored; the idle measurement resumes
        run(3000);
    }
    std::string checkLog() const { return station->log().text().substr(logFrom); }

    // The grey response of colour-space slot n (0 native) as a verification measures it.
    double gammaOf(int slot) {
        station->sender().sendMonitorCommand(MonitorCommand::SetColorSpace, static_cast<uint32_t>(slot), 5000);
        return measureGamma();
    }

    size_t logFrom = 0;
};

TEST_F(PanelGammaCheck, CinemaIsAimedAtItsOwnCurveAndTheMonitorIsLeftOnItsNativePicture) {
    chooseSpaces(1u << kDCinema, true);
    check();
    const std::string log = checkLog();
    EXPECT_NE(log.find("CAL: Set monitor ColorSpace(0)\n"), std::string::npos);
    EXPECT_NE(log.find("CAL: Set monitor ColorSpace(5)\n"), std::string::npos);
    // Cinema is measured on its 2.6 curve and corrected towards 2.6, not towards 2.2.
    const int code = page().data.panelGammaCode[5];
    EXPECT_GE(code, 4) << "a step of 0.025 each below 8";
    EXPECT_NE(log.find(Format("%d 5\n", code)), std::string::npos) << log;

    // The check ended on cinema; a verification starts on the native picture.
    EXPECT_EQ(sim->monitor().picture().displaySpace, 0);
    const size_t end = log.find("SYS:Set monitor ColorSpace(0)\nSYS:Set color temperature(6500)\nSYS:Play monitor\n");
    ASSERT_NE(end, std::string::npos) << log;
    EXPECT_GT(end, log.rfind("CAL: Set monitor ColorSpace(5)\n"));

    EXPECT_NEAR(gammaOf(5), 2.6, kGammaCriterion) << "cinema keeps its curve";
}

TEST_F(PanelGammaCheck, OnItsOwnAfterAColourSpaceCheckItMeasuresTheNativePicture) {
    // A check over the colour spaces ends past the last one.
    chooseSpaces(1u << kBt709 | 1u << kDCinema, true);
    check();
    ASSERT_NE(checkLog().find("CAL: Set monitor ColorSpace(5)\n"), std::string::npos);
    const uint8_t cinema = page().data.panelGammaCode[5];

    // Without "Color Priority" the check is of the native picture alone.
    page().onColorPriorityToggled(false);
    page().data.panelGammaCode[0] = 255;
    check();
    const std::string log = checkLog();
    EXPECT_EQ(log.find("Set monitor ColorSpace(5)"), std::string::npos) << log;
    const size_t start = log.find("CAL: Set monitor ColorSpace(");
    EXPECT_EQ(log.find("CAL: Set monitor ColorSpace(0)\nCAL: Set color temperature(6500)\nCAL: Draw pattern(0,0,0)\n"),
              start);
    const size_t panel = log.find("CAL: panel gamma = ");
    ASSERT_NE(panel, std::string::npos);
    EXPECT_EQ(log.substr(log.find('\n', panel) - 2, 2), " 0") << "the native slot's code";
    EXPECT_LE(page().data.panelGammaCode[0], 16);
    EXPECT_EQ(page().data.panelGammaCode[5], cinema) << "cinema's code is left alone";
    EXPECT_EQ(sim->monitor().picture().displaySpace, 0);
}

}  // namespace
}  // namespace halvo

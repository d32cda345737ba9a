// A verification straight after a full calibration ("Measurement after calibration:"): the
// monitor passes every test that the calibrated data covers.

#include "reports/report_export.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

using VerificationAfterCalibration = test::CalibrationFixture;

TEST_F(VerificationAfterCalibration, GammaAndWhitesCalibratedPassTheirTests) {
    choose(true, 1, {0, 1, 2, 3, 4, 5, 6});
    station->setup().measurementAfterCalibration.checked = true;
    CMeasure& measure = station->measure();
    page().onAutoCalibration();
    ASSERT_TRUE(scheduler.runUntil([&] { return measure.running; }, 6 * 3600 * 1000));
    // No completion notice: the monitor saved its calibration and the Measure page took over.
    EXPECT_FALSE(ui.notices.completionOpen);
    EXPECT_EQ(station->window().selectedTab, kTabMeasure);
    ASSERT_TRUE(scheduler.runUntil([&] { return !measure.running; }, 3600 * 1000));
    EXPECT_EQ(station->task().CalibrationState, kTaskIdle);

    const ReportBook book = BuildReportFor(station->reportSources());
    int judged = 0;
    for (const VerdictLine& v : book.verdicts) {
        SCOPED_TRACE(v.test + " " + v.item + " " + v.quantity + " " + v.value);
        const bool covered = v.test == "Luminance of White" || v.test == "Luminance of Black" ||
                             v.test == "Color Temperature" || (v.test == "Gamma" && v.item == "Native");
        if (covered) {
            EXPECT_EQ(v.verdict, Verdict::Ok);
            ++judged;
        } else if (v.verdict != Verdict::NotMeasured) {
            // Measured without being judged: the native primaries are shown as they are.
            EXPECT_EQ(v.test, "Primary Colors");
            EXPECT_EQ(v.item, "Native");
        }
    }
    EXPECT_EQ(judged, 4 + 1 + 8 + 1);
    EXPECT_FALSE(book.anyOutOfRange());
    // What the monitor saved is what was verified.
    EXPECT_EQ(sim->monitor().savedCalibration().gammaTable, sim->monitor().calibration().gammaTable);
}

}  // namespace
}  // namespace halvo

// Vantrel's exports against a recording core: which core calls each makes, in which order, with
// which arguments, and the state that spans them.

#include <gtest/gtest.h>

#include <functional>

#include "radiometric/recording_core.h"
#include "radiometric/vantrel.h"

namespace halvo {
namespace {

using Calls = std::vector<std::string>;
constexpr int32_t kHandle = 7;

class Vantrel : public ::testing::Test {
protected:
    void SetUp() override { VantrelBindCore(core.lookup()); }
    void TearDown() override { VantrelBindCore(nullptr); }

    // A measurement started and polled to its end, with the calls it made cleared.
    void measureToTheEnd() {
        ASSERT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 0);
        core.running = 0;
        int32_t status = -1;
        ASSERT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 0);
        core.take();
    }

    test::RecordingCore core;
};

TEST_F(Vantrel, MeasureConfiguresAndStartsInOrder) {
    EXPECT_EQ(PELKO_MeasureEx(kHandle, 0, 3, 5), 0);
    EXPECT_EQ(core.take(), (Calls{"30(7,380,780,5)", "20(7,1)", "26(7,3)", "22(7,12)", "12(7,&)", "13(7,0)", "7(7)"}));

    // A fixed integration time; live view already off, so it is left alone.
    core.liveView = 0;
    EXPECT_EQ(PELKO_MeasureEx(kHandle, 250, 1, 1), 0);
    EXPECT_EQ(core.take(),
              (Calls{"30(7,380,780,1)", "20(7,2)", "24(7,250)", "28(7,0)", "26(7,1)", "22(7,12)", "12(7,&)", "7(7)"}));
}

TEST_F(Vantrel, ABadStepCallsNothingAndACoreErrorStopsAtOnce) {
    for (int32_t step : {0, 2, 4, 10}) {
        EXPECT_EQ(PELKO_MeasureEx(kHandle, 0, 1, step), VANTREL_ERROR_STEP);
        EXPECT_EQ(PELKO_PrepareMeasureEx(kHandle, 0, 1, step), VANTREL_ERROR_STEP);
    }
    EXPECT_TRUE(core.take().empty());

    core.fail(26, 3);
    EXPECT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 3);
    EXPECT_EQ(core.take(), (Calls{"30(7,380,780,1)", "20(7,1)", "26(7,1)"}));

    // A refused start leaves no measurement to finish: the next idle poll does nothing more.
    core.fail(7, 4);
    EXPECT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 4);
    core.take();
    int32_t status = -1;
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(core.take(), (Calls{"8(7,&)"}));
}

TEST_F(Vantrel, PrepareConfiguresAnnouncesAndSwitchesLiveViewOffWithoutStarting) {
    EXPECT_EQ(PELKO_PrepareMeasureEx(kHandle, 40, 2, 1), 0);
    EXPECT_EQ(core.take(), (Calls{"30(7,380,780,1)", "20(7,2)", "24(7,40)", "28(7,0)", "26(7,2)", "22(7,12)",
                                  "100(7,0)", "12(7,&)", "13(7,0)"}));
}

TEST_F(Vantrel, StatusEndsTheMeasurementOnceAndRestoresLiveView) {
    ASSERT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 0);
    core.take();
    int32_t status = 0;
    core.running = 1;
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(core.take(), (Calls{"8(7,&)"}));

    core.running = 0;
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(core.take(), (Calls{"8(7,&)", "100(7,3)", "13(7,1)"}));
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, nullptr), 0);  // finished already: only the poll
    EXPECT_EQ(core.take(), (Calls{"8(7,&)"}));

    // Telling the phase fails: live view still goes back on, and the first error is reported.
    ASSERT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 0);
    core.take();
    core.fail(100, 9);
    core.fail(13, 11);
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 9);
    EXPECT_EQ(core.take(), (Calls{"8(7,&)", "100(7,3)", "13(7,1)"}));
}

TEST_F(Vantrel, Error32EndsTheMeasurementOtherErrorsDoNot) {
    ASSERT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 0);
    core.fail(8, 255);
    int32_t status = -1;
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 255);
    EXPECT_EQ(status, -1);
    core.fail(8, PELKO_CORE_ABORTED);
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), PELKO_CORE_ABORTED);
    core.take();
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &status), 0);  // nothing left to finish
    EXPECT_EQ(core.take(), (Calls{"8(7,&)"}));
}

TEST_F(Vantrel, ColourTemperatureIsComputedOncePerEvaluation) {
    measureToTheEnd();
    double cct = 0.0;
    EXPECT_EQ(PELKO_CCTEx(kHandle, 380, 780, &cct), 0);
    EXPECT_EQ(PELKO_CCTEx(kHandle, 380, 780, &cct), 0);
    EXPECT_EQ(cct, core.value);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "56(7,380,780,&)", "29(7,&,&,&)", "41(7,&)"}));

    measureToTheEnd();
    EXPECT_EQ(PELKO_CCTEx(kHandle, 380, 780, &cct), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "56(7,380,780,&)"}));

    // Another range: re-evaluated there, then computed; a failed computation stays uncomputed.
    EXPECT_EQ(PELKO_CCTEx(kHandle, 400, 700, &cct), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "30(7,400,700,1)", "65(7,400,700,0,0,0,0,0,0,0,0)", "56(7,400,700,&)"}));
    core.fail(56, 5);
    core.begin = 400;
    core.end = 700;
    measureToTheEnd();
    EXPECT_EQ(PELKO_CCTEx(kHandle, 400, 700, &cct), 5);
    EXPECT_EQ(PELKO_CCTEx(kHandle, 400, 700, &cct), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "56(7,400,700,&)", "29(7,&,&,&)", "56(7,400,700,&)"}));
}

TEST_F(Vantrel, AColourTemperatureOfAnotherRangeIsNeverReadBack) {
    measureToTheEnd();
    double cct = 0.0;
    double lv = 0.0;
    ASSERT_EQ(PELKO_CCTEx(kHandle, 380, 780, &cct), 0);  // computed for 380..780
    core.begin = 380;
    ASSERT_EQ(PELKO_CCTEx(kHandle, 400, 700, &cct), 0);  // the core now holds 400..700's
    core.begin = 400;
    core.end = 700;
    ASSERT_EQ(PELKO_PhotoEx(kHandle, 380, 780, &lv), 0);  // back to 380..780
    core.begin = 380;
    core.end = 780;
    core.take();
    EXPECT_EQ(PELKO_CCTEx(kHandle, 380, 780, &cct), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "56(7,380,780,&)"}));
}

TEST_F(Vantrel, EvaluationCallsUseTheCurrentEvaluationOrReevaluateIntoTheirSlots) {
    measureToTheEnd();
    double a = 0.0;
    double b = 0.0;
    struct Case {
        std::function<int32_t(int32_t, int32_t)> call;
        const char* current;
        const char* reevaluated;
    };
    const Case cases[] = {
        {[&](int32_t lo, int32_t hi) { return PELKO_RadioEx(kHandle, lo, hi, &a); }, "36(7,&)",
         "65(7,420,680,&,0,0,0,0,0,0,0)"},
        {[&](int32_t lo, int32_t hi) { return PELKO_PhotoEx(kHandle, lo, hi, &a); }, "37(7,&)",
         "65(7,420,680,0,&,0,0,0,0,0,0)"},
        {[&](int32_t lo, int32_t hi) { return PELKO_ChromxyEx(kHandle, lo, hi, &a, &b); }, "38(7,&,&)",
         "65(7,420,680,0,0,&,&,0,0,0,0)"},
        {[&](int32_t lo, int32_t hi) { return PELKO_ChromuvEx(kHandle, lo, hi, &a, &b); }, "39(7,&,&)",
         "65(7,420,680,0,0,0,0,&,&,0,0)"},
        {[&](int32_t lo, int32_t hi) { return PELKO_DWLPEEx(kHandle, lo, hi, &a, &b); }, "40(7,&,&)",
         "65(7,420,680,0,0,0,0,0,0,&,&)"},
    };
    core.step = 5;
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(380, 780), 0);
        EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", c.current}));
        // Only one end differing is another range; the step stays the current one.
        EXPECT_EQ(c.call(420, 680), 0);
        EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "30(7,420,680,5)", c.reevaluated}));
        EXPECT_EQ(c.call(380, 700), 0);
        core.take();
    }
    double spectrum[81] = {};
    EXPECT_EQ(PELKO_SpecRadEx(kHandle, 380, 780, spectrum), 0);
    EXPECT_EQ(PELKO_SpecRadEx(kHandle, 400, 780, spectrum), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "35(7,&)", "29(7,&,&,&)", "30(7,400,780,5)",
                                  "65(7,400,780,0,0,0,0,0,0,0,0)", "35(7,&)"}));
}

TEST_F(Vantrel, TristimulusValuesRightAfterAMeasurementComeFromTheCurrentEvaluation) {
    ASSERT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), 0);
    core.take();
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 380, 780, &X, &Y, &Z), 0);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "74(7,&,&,&)"}));
    EXPECT_EQ(X, 95.0f);
    EXPECT_EQ(Y, 100.0f);
    EXPECT_EQ(Z, 108.0f);

    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 400, 700, &X, &Y, &Z), 0);
    EXPECT_EQ(core.take(),
              (Calls{"29(7,&,&,&)", "30(7,400,700,1)", "65(7,400,700,0,0,0,0,0,0,0,0)", "73(7,400,700,&,&,&)"}));
}

TEST_F(Vantrel, RangeRuleErrorsComeBackAtOnce) {
    float X = 0.0f;
    core.fail(29, 2);
    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 400, 700, &X, &X, &X), 2);
    core.fail(30, 3);
    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 400, 700, &X, &X, &X), 3);
    core.fail(65, 5);
    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 400, 700, &X, &X, &X), 5);
    EXPECT_EQ(core.take(), (Calls{"29(7,&,&,&)", "29(7,&,&,&)", "30(7,400,700,1)", "29(7,&,&,&)",
                                  "30(7,400,700,1)", "65(7,400,700,0,0,0,0,0,0,0,0)"}));
}

TEST_F(Vantrel, PassThroughCallsForwardTheirArgumentsAndCodes) {
    int32_t n = 0;
    int32_t m = 0;
    double d = 0.0;
    struct Case {
        std::function<int32_t()> call;
        int ordinal;
        const char* recorded;
    };
    const Case cases[] = {
        {[&] { return PELKO_GetNumRadioEx(&n); }, 1, "1(&)"},
        {[&] { return PELKO_GetSerialRadioEx(1, &n, &m); }, 2, "2(1,&,&)"},
        {[&] { return PELKO_OpenRadioEx(1, &n); }, 3, "3(1,&)"},
        {[&] { return PELKO_CloseRadioEx(kHandle); }, 4, "4(7)"},
        {[&] { return PELKO_MeasureBreakEx(kHandle); }, 6, "6(7)"},
        {[&] { return PELKO_CRIEx(kHandle, &d); }, 57, "57(7,&)"},
        {[&] { return PELKO_SetMeasDistEx(kHandle, 350); }, 64, "64(7,350)"},
        {[&] { return PELKO_GetMeasDistEx(kHandle, &n); }, 63, "63(7,&)"},
        {[&] { return PELKO_DuvEx(kHandle, &d); }, 75, "75(7,&)"},
        {[&] { return PELKO_Chromxy10Ex(kHandle, &d, &d); }, 80, "80(7,&,&)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), 0) << c.recorded;
        core.fail(c.ordinal, 9);
        EXPECT_EQ(c.call(), 9) << c.recorded;
        EXPECT_EQ(core.take(), (Calls{c.recorded, c.recorded}));
    }
    EXPECT_EQ(PELKO_GetNumRadioEx(&n), 0);
    EXPECT_EQ(n, 2);
}

TEST_F(Vantrel, WithoutACoreOrACallEverythingFailsClearly) {
    core.absent.insert(74);
    float X = -1.0f;
    EXPECT_EQ(PELKO_ChromXYZEx(kHandle, 380, 780, &X, &X, &X), VANTREL_ERROR_NO_CORE);
    EXPECT_EQ(X, -1.0f);

    VantrelBindCore(nullptr);
    int32_t n = -1;
    EXPECT_EQ(PELKO_GetNumRadioEx(&n), VANTREL_ERROR_NO_CORE);
    EXPECT_EQ(PELKO_MeasureEx(kHandle, 0, 1, 1), VANTREL_ERROR_NO_CORE);
    EXPECT_EQ(PELKO_MeasureStatusEx(kHandle, &n), VANTREL_ERROR_NO_CORE);
    EXPECT_EQ(n, -1);
}

}  // namespace
}  // namespace halvo

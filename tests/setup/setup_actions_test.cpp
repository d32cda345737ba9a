// What the operator's actions on the Setup page do: the commands posted, the controls the
// instrument choice and the connection unlock, and the numbers typed into fields.

#include <gtest/gtest.h>

#include <functional>

#include "setup_fixture.h"

namespace halvo {
namespace {

using test::SetupTest;
using Posted = std::vector<std::pair<int, int>>;

TEST_F(SetupTest, InstrumentChoiceUnlocksOnlyItsOwnControls) {
    Page setup(sink, ui);
    create(setup);
    struct Case {
        int kind;
        bool port, line, calFile, pelko, cs200;
    };
    const Case cases[] = {
        {0, true, true, false, false, false},   {1, true, true, false, false, false},
        {2, true, false, true, false, false},   {3, false, false, false, true, false},
        {4, false, false, true, false, false},  {5, false, false, false, false, true},
        {6, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        setup.onInstrumentChanged(c.kind);
        EXPECT_EQ(setup.instrumentPort.enabled, c.port) << c.kind;
        EXPECT_EQ(setup.stopBits.enabled, c.line) << c.kind;
        EXPECT_EQ(setup.calFile.enabled, c.calFile) << c.kind;
        EXPECT_EQ(setup.searchButton.enabled, c.pelko) << c.kind;
        EXPECT_EQ(setup.measurementDuration.enabled, c.cs200) << c.kind;
        EXPECT_EQ(fileLine(kInstrumentLine), setup.instrument.text());
    }
    setup.onInstrumentChanged(7);  // no such instrument
    EXPECT_EQ(setup.instrumentKind(), 6);
}

TEST_F(SetupTest, InstrumentChoiceSelectsWhatTheInstrumentNeeds) {
    Page setup(sink, ui);
    create(setup);
    setup.baudRate.selected = 2;
    setup.dataBits.selected = 1;
    setup.parity.selected = 0;
    setup.stopBits.selected = 0;
    setup.onInstrumentChanged(1);
    const LineSettings line = setup.instrumentLine();
    EXPECT_EQ(line.baudRate, 9600);
    EXPECT_EQ(line.dataBits, 7);
    EXPECT_EQ(line.parity, 2);
    EXPECT_EQ(line.stopBits, 2);

    setup.onInstrumentChanged(4);
    EXPECT_EQ(setup.calFile.text(), "Standard");
    EXPECT_EQ(setup.calFile.items.size(), 6u);
    setup.onInstrumentChanged(2);  // the K-10's matrices come from the instrument
    EXPECT_TRUE(setup.calFile.items.empty());

    setup.measurementSpeed.selected = 0;
    setup.measurementDuration.text = "9";
    setup.onInstrumentChanged(5);
    EXPECT_EQ(setup.measurementSpeed.text(), "FAST");
    EXPECT_EQ(setup.measurementDurationSeconds(), 1);
}

TEST_F(SetupTest, ConnectionSwapsTheLockedControls) {
    Page setup(sink, ui);
    create(setup);
    setup.setConnected(true);
    EXPECT_FALSE(setup.monitorPort.enabled || setup.instrument.enabled || setup.instrumentPort.enabled ||
                 setup.parity.enabled);
    EXPECT_TRUE(setup.pattern.enabled && setup.measurementWait.enabled && setup.agingTime.enabled &&
                setup.readEepromButton.enabled && setup.deviationX.enabled);
    EXPECT_FALSE(setup.levelFields[0].enabled);
    setup.onPatternChanged(4);
    EXPECT_TRUE(setup.levelSpins[2].enabled);
    EXPECT_EQ(fileLine(kPatternLine), "Full Color");

    // Aging runs: everything is locked but the button that stops it.
    setup.setWorkControlsEnabled(false);
    setup.setAgingRunning(true);
    EXPECT_FALSE(setup.pattern.enabled || setup.levelFields[0].enabled);
    EXPECT_TRUE(setup.agingStartButton.enabled);
    EXPECT_EQ(setup.agingButtonText, "Stop");
    setup.setAgingRunning(false);
    EXPECT_FALSE(setup.agingStartButton.enabled);

    setup.setConnected(false);
    EXPECT_TRUE(setup.monitorPort.enabled && setup.baudRate.enabled);
    EXPECT_FALSE(setup.measurementDelay.enabled);
}

TEST_F(SetupTest, ButtonsPostTheirCommands) {
    Page setup(sink, ui);
    create(setup);
    struct Case {
        const char* name;
        std::function<void()> press;
        Posted posted;
    };
    const Case cases[] = {
        {"Draw Pattern", [&] { setup.onPatternChanged(2), setup.onDrawPattern(); }, {{3, 2}}},
        {"Exit Pattern", [&] { setup.onExitPattern(); }, {{3, 5}}},
        {"gamma box checked", [&] { setup.onGammaColorFunctionDisableToggled(true); }, {{3, 7}}},
        {"gamma box cleared", [&] { setup.onGammaColorFunctionDisableToggled(false); }, {{3, 6}}},
        {"Color Space Step", [&] { setup.onColorSpaceStepChanged(3); }, {{3, 9}}},
        {"Search", [&] { setup.onSearch(); }, {{9, 1}}},
        {"Read from Eeprom", [&] { setup.onReadEeprom(); }, {{7, 1}}},
        {"Write to Eeprom", [&] { setup.onWriteEeprom(); }, {{7, 2}}},
        {"aging Start", [&] { setup.onAgingStart(); }, {{10, 1}}},
        {"Save to file", [&] { setup.onAgingSave(); }, {{10, 2}}},
        {"stored settings", [&] { setup.onOptionChanged(), setup.onMonitorPortChanged(0); }, {}},
    };
    for (const Case& c : cases) {
        sink.posted.clear();
        c.press();
        EXPECT_EQ(sink.posted, c.posted) << c.name;
    }
    EXPECT_EQ(fileLine(kColorSpaceStepLine), "2");
    EXPECT_EQ(fileLine(kMonitorPortLine), "/dev/ttyS0");
}

TEST_F(SetupTest, FullColorLevelsFromFieldsAndSpins) {
    Page setup(sink, ui);
    create(setup);
    setup.onPatternChanged(4);
    setup.levelFields[0].text = "300";
    setup.levelFields[1].text = "12";
    setup.levelFields[2].text = "blue";
    setup.onDrawPattern();
    EXPECT_EQ(sink.posted, (Posted{{3, 4}}));
    EXPECT_EQ(setup.level(Page::kRed), 255);
    EXPECT_EQ(setup.level(Page::kGreen), 12);
    EXPECT_EQ(setup.levelFields[2].text, "255");

    const std::pair<int, int> steps[] = {{1, 0}, {-1, 255}, {-5, 250}, {10, 0}};  // past an end: the other end
    for (const auto& [delta, level] : steps) {
        setup.onLevelSpin(Page::kRed, delta);
        EXPECT_EQ(setup.level(Page::kRed), level) << delta;
        EXPECT_EQ(setup.levelFields[0].text, std::to_string(level));
    }
}

TEST_F(SetupTest, K10RefusesTheReservedMatrices) {
    Page setup(sink, ui);
    create(setup);
    setup.onInstrumentChanged(2);
    setup.fillK10Matrices({"Factory Cal File", "Blank"}, 1);
    ASSERT_EQ(setup.calFile.items.size(), 100u);
    EXPECT_EQ(setup.calFile.items[95], "95 : Reserved");

    setup.onCalFileChanged(95);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Please select matrix num 0 to 93."});
    EXPECT_TRUE(sink.posted.empty());
    EXPECT_EQ(setup.calFile.text(), "Blank");
    setup.onCalFileChanged(93);
    EXPECT_EQ(sink.posted, (Posted{{3, 8}}));

    setup.onInstrumentChanged(4);  // a Spyder4 calibration is taken when it opens
    sink.posted.clear();
    setup.onCalFileChanged(5);
    EXPECT_TRUE(sink.posted.empty());
    EXPECT_EQ(setup.calFile.text(), "Wide-Gamut LCD/ CCFL2");
}

TEST_F(SetupTest, CalibrationOptionsClampWhatIsTypedAndStoreIt) {
    Page setup(sink, ui);
    create(setup);
    setup.onCalibrationOptionEnter(Page::kMeasurementWait, "5000");
    EXPECT_EQ(setup.measurementWait.text, "3000");
    EXPECT_EQ(setup.measurementWaitMs(), 3000);
    EXPECT_EQ(fileLine(kMeasurementWaitLine), "3000");
    setup.onCalibrationOptionEnter(Page::kWhitePriorityLevel, "9");
    EXPECT_EQ(fileLine(kWhitePriorityLevelLine), "10");
    setup.onCalibrationOptionSpin(Page::kMeasurementDelay, -1000);
    EXPECT_EQ(setup.measurementDelay.text, "100");
    EXPECT_EQ(fileLine(kMeasurementDelayLine), "100");

    // Nothing readable typed: the field goes back to the value in use and nothing is stored.
    setup.measurementWaitSpin.value = 1234;
    setup.onCalibrationOptionEnter(Page::kMeasurementWait, "fast");
    EXPECT_EQ(setup.measurementWait.text, "1234");
    EXPECT_EQ(fileLine(kMeasurementWaitLine), "3000");
    // A number typed but never confirmed is not what gets stored.
    setup.measurementWait.text = "2000";
    setup.onOptionChanged();
    EXPECT_EQ(fileLine(kMeasurementWaitLine), "1234");
}

TEST_F(SetupTest, AgingStartStoresItsValuesBeforePosting) {
    struct FileAtPost : CommandSink {
        const SetupTest* test = nullptr;
        std::vector<std::string> lines;
        void postOperatorCommand(int, int) override {
            lines = {test->fileLine(kMeasurePeriodLine), test->fileLine(kAgingTimeLine)};
        }
    } atPost;
    atPost.test = this;
    Page setup(atPost, ui);
    create(setup);
    setup.measurePeriod.text = " 5 min";
    setup.agingTime.text = "120";
    EXPECT_EQ(setup.measurePeriodMinutes(), 1);  // not yet started
    setup.onAgingStart();
    EXPECT_EQ(atPost.lines, (std::vector<std::string>{"5", "120"}));
    EXPECT_EQ(setup.measurePeriodMinutes(), 5);
    EXPECT_EQ(setup.agingTimeMinutes(), 120);
}

}  // namespace
}  // namespace halvo

// A full calibration and its verification measured with each library meter (CS-200, i1 Display,
// Spyder4) instead of the CA-210: the meters' biases, noise and integration times differ, and
// gamma, the four whites the verification judges and BT.709 still end with every item OK.

#include "instruments/vendor_library.h"
#include "scenarios/panel_fixture.h"

namespace halvo {
namespace {

struct Meter {
    const char* name;
    InstrumentKind kind;
};

// On today's panel; the parameter names the meter.
class LibraryMeterRun : public test::PanelFixture {
protected:
    sim::SimStationConfig stationConfig() const override { return {}; }
    void SetUp() override {
        VendorLibrary::SetStandInDirectory(HALVO_STANDIN_DIR);
        test::StationFixture::SetUp();
        init();
        const int index = static_cast<int>(kind());
        station->setup().instrument.selected = index;
        station->setup().onInstrumentChanged(index);
        ready();
        run(2000);
    }
    void TearDown() override {
        test::PanelFixture::TearDown();
        VendorLibrary::SetStandInDirectory("");
    }
    InstrumentKind kind() const {
        const std::string& name = GetParam();
        return name == "cs-200" ? InstrumentKind::Cs200
               : name == "i1-display" ? InstrumentKind::I1Display
                                      : InstrumentKind::Spyder4;
    }
};

TEST_P(LibraryMeterRun, GammaWhitesAndBt709CalibrateAndVerifyOk) {
    ASSERT_NE(station->instrument(), nullptr);
    ASSERT_EQ(station->instrument()->kind(), kind());
    chooseRun(true, 1u << kBt709, 1, false, {0, 2, 3, 4});
    ASSERT_TRUE(calibrateAndStore()) << station->log().text();
    const ReportBook book = verify(1u | 1u << (kBt709 + 1));
    EXPECT_EQ(OutOfRange(book), "");
    EXPECT_GE(Judged(book), 20);
}

INSTANTIATE_TEST_SUITE_P(Meters, LibraryMeterRun, ::testing::Values("cs-200", "i1-display", "spyder4"),
                         test::PanelTestName);

}  // namespace
}  // namespace halvo

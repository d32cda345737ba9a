// A colour-space calibration saved, loaded and copied into the same monitor reset to its factory
// state: the copy replays the calibration's values, reads the monitor's answers back and must
// send the very table packets the calibration sent. Offsets are read back in either word form.

#include <string>
#include <vector>

#include "calibration/lut_packet.h"
#include "common/text_format.h"
#include "scenarios/calibration_fixture.h"

namespace halvo {
namespace {

constexpr const char* kCopied = "Calibration data is copied successfully.\n Please restart monitor.";

class ColourSpaceCopy : public test::CalibrationFixture {
protected:
    // The data packets of a space's table the monitor received since recording started, in the
    // order they came.
    std::vector<Bytes> tablePackets(int space) const {
        std::vector<Bytes> packets;
        for (const auto& f : sim->monitor().receivedFrames()) {
            if (f.bytes.size() == 201 && f.bytes[5] == space && f.bytes[6] != kLutFinalIndex) {
                packets.push_back(f.bytes);
            }
        }
        return packets;
    }

    void factoryMonitor() {
        sim->monitor().factoryReset();
        sim->monitor().powerCycle();
        sim->monitor().clearReceivedFrames();
        sim->monitor().recordFrames(true);
    }

    // A calibration of one space at 1 or 3 levels; its table packets, its data saved in `path`.
    std::vector<Bytes> calibrateAndSave(int space, int levels, const std::string& path) {
        factoryMonitor();
        chooseColourSpaces(1u << space, levels, false);
        calibrate();
        EXPECT_TRUE(ui.notices.completionOpen);
        station->onCompletionCancel();
        run(16000);  // Cancel only silences the notice: its countdown still stores the calibration
        // No gamma run here: the copy still needs a measured panel gamma in the page's field.
        page().gammaField.text = "2.20";
        EXPECT_TRUE(page().saveFile(path));
        return tablePackets(space);
    }

    // The file loaded into the page and copied into the monitor reset to the factory; its table
    // packets. Empty when the copy did not end with its success message.
    std::vector<Bytes> loadAndCopy(int space, const std::string& path) {
        factoryMonitor();
        EXPECT_TRUE(page().loadFile(path));
        run(100);
        ui.yesAnswer = true;
        ui.messages.clear();
        page().copyToMonitor();
        ui.yesAnswer = false;
        run(100);
        scheduler.runUntil([&] { return !station->engine().upload().running(); }, 3 * 3600 * 1000);
        if (ui.messages.empty() || ui.messages.back() != kCopied) {
            ADD_FAILURE() << "not copied: " << (ui.messages.empty() ? std::string("no message") : ui.messages.back());
            return {};
        }
        return tablePackets(space);
    }

    void expectSamePackets(const std::vector<Bytes>& calibrated, const std::vector<Bytes>& copied) {
        ASSERT_EQ(calibrated.size(), static_cast<size_t>(kLutPacketCount));
        ASSERT_EQ(copied.size(), calibrated.size());
        for (size_t k = 0; k < copied.size(); ++k) {
            EXPECT_EQ(HexBytes(copied[k]), HexBytes(calibrated[k])) << "packet " << k;
        }
    }
};

TEST_F(ColourSpaceCopy, EverySpaceAloneAtOneAndThreeLevelsSendsTheCalibrationsPackets) {
    for (const int levels : {1, 3}) {
        for (int space = kBt709; space <= kDCinema; ++space) {
            SCOPED_TRACE(Format("%s at %d levels", kColorSpaceListNames[static_cast<size_t>(space)], levels));
            const std::string path = directory + Format("/space%d_%d.cal", space, levels);
            const std::vector<Bytes> calibrated = calibrateAndSave(space, levels, path);
            EXPECT_EQ(page().data.levelCount, levels) << "the level count the file holds";
            expectSamePackets(calibrated, loadAndCopy(space, path));
        }
    }
}

TEST_F(ColourSpaceCopy, OffsetsAnsweredAsBareTenBitValuesAreReadInTheSearchAndInTheReplay) {
    // The search on a monitor that answers bare 10-bit words ...
    sim->monitor().config().offsetWords = sim::OffsetWordForm::Bare10Bit;
    const std::string path = directory + "/bare.cal";
    const std::vector<Bytes> calibrated = calibrateAndSave(kEbu, 3, path);
    const ColourSpaceCalibration& cs = station->engine().colourSpace();
    int negative = 0;
    for (const auto& colour : cs.colourOffsets[kEbu]) {
        for (const auto& level : colour) {
            for (const int v : level) {
                EXPECT_GE(v, -512);
                EXPECT_LE(v, 511);
                negative += v < 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(negative, 0) << "some offsets take light away";
    EXPECT_EQ(station->log().text().find("Overflow the Max value of color space data!!"), std::string::npos);

    // ... copied through one that sign-extends them, and back again.
    sim->monitor().config().offsetWords = sim::OffsetWordForm::SignExtended;
    expectSamePackets(calibrated, loadAndCopy(kEbu, path));
    sim->monitor().config().offsetWords = sim::OffsetWordForm::Bare10Bit;
    expectSamePackets(calibrated, loadAndCopy(kEbu, path));
}

}  // namespace
}  // namespace halvo

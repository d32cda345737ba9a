// The CS-200: its command texts and reply columns, and the driver against the stand-in meter on
// the virtual clock (commands on the wire, the "ER02" retry, the waits, failures).

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "instruments/cs200/cs200_driver.h"
#include "instruments/cs200/cs200_protocol.h"
#include "library_rig.h"
#include "support/numeric.h"

namespace halvo {
namespace {

TEST(Cs200Protocol, SpeedCommandsFollowTheTemplate) {
    struct Case {
        int speed;
        int seconds;
        std::string command;
    };
    const Case cases[] = {
        {2, 1, std::string("SPS,2, 0\r\n")},   // the template unchanged
        {0, 1, std::string("SPS,0, 0\r\n")},
        {6, 30, std::string("SPS,6, 0\r\n")},  // the time only counts for MANU
        {5, 12, std::string("SPS,5,12\r\n")},
        {5, 90, std::string("SPS,5,60\r\n")},  // at most 60 seconds
        {5, 60, std::string("SPS,5,60\r\n")},
        {5, 5, std::string("SPS,5, 5\r\n")},   // right-aligned, no terminator in the command
        {5, 0, std::string("SPS,5, 1\r\n")},
        {5, -3, std::string("SPS,5, 1\r\n")},
        {-1, 1, std::string("SPS,2, 0\r\n")},  // no entry chosen
        {7, 1, std::string("SPS,2, 0\r\n")},
    };
    for (const Case& c : cases) {
        const std::string command = Cs200SpeedCommand(c.speed, c.seconds);
        EXPECT_EQ(command, c.command) << c.speed << " " << c.seconds;
        EXPECT_EQ(command.size(), 10u);
        EXPECT_EQ(command.find('\0'), std::string::npos);
    }
}

TEST(Cs200Protocol, StartWaitComesFromCharactersFiveAndSix) {
    EXPECT_EQ(Cs200StartWaitMs("OK00,01,2\r\n"), 800);
    EXPECT_EQ(Cs200StartWaitMs("OK00,12,5\r\n"), 11800);
    EXPECT_EQ(Cs200StartWaitMs("OK00, 3"), 2800);
    // No time in the reply: read at once rather than arm a negative wait.
    EXPECT_EQ(Cs200StartWaitMs("OK00,00"), 0);
    EXPECT_EQ(Cs200StartWaitMs("ER10\r\n"), 0);
    EXPECT_EQ(Cs200StartWaitMs("OK00,-5"), 0);
    EXPECT_EQ(Cs200StartWaitMs(""), 0);
}

TEST(Cs200Protocol, DataColumnsHoldLvXAndY) {
    // Characters 0-26, then Lv at 27-37, x at 39-49, y at 51-61.
    const std::string valid = "OK00,2,  0.750,          1,+1.2053E+02,+3.1270E-01,+3.2900E-01\r\n";
    ASSERT_EQ(valid.size(), 64u);
    const auto m = ParseCs200Data(valid);
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(m->lv, 120.53);
    EXPECT_DOUBLE_EQ(m->x, 0.3127);
    EXPECT_DOUBLE_EQ(m->y, 0.329);

    std::string padded = valid;
    padded.replace(39, 11, "   0.31270 ");
    ASSERT_TRUE(ParseCs200Data(padded));
    EXPECT_DOUBLE_EQ(ParseCs200Data(padded)->x, 0.3127);

    // Each mutation leaves no measurement rather than zeros.
    std::vector<std::pair<const char*, std::string>> broken;
    broken.push_back({"cut in y", valid.substr(0, 61)});
    broken.push_back({"not ready", "ER02\r\n"});
    broken.push_back({"error", "ER10\r\n"});
    broken.push_back({"empty", ""});
    std::string letters = valid;
    letters.replace(39, 11, "+3.12x0E-01");
    broken.push_back({"letters in x", letters});
    std::string blank = valid;
    blank.replace(27, 11, std::string(11, ' '));
    broken.push_back({"blank Lv", blank});
    std::string infinite = valid;
    infinite.replace(51, 11, "        inf");
    broken.push_back({"infinite y", infinite});
    for (const auto& [what, reply] : broken) {
        EXPECT_FALSE(ParseCs200Data(reply)) << what;
    }
    EXPECT_TRUE(Cs200DataNotReady("ER02\r\n"));
    EXPECT_FALSE(Cs200DataNotReady("ER0"));
    EXPECT_FALSE(Cs200DataNotReady(valid));
}

// The stand-in's calls, with every command and reply recorded on the virtual clock.
struct Wire {
    static inline Cs200Calls real;
    static inline VirtualScheduler* clock = nullptr;
    static inline std::vector<std::pair<int64_t, std::string>> written;
    static inline std::vector<std::string> replies;
    static inline int opens = 0;
    static inline int closes = 0;

    static int intUsb(int device) {
        ++opens;
        return real.int_usb(device);
    }
    static int endUsb(int device) {
        ++closes;
        return real.end_usb(device);
    }
    static int write(int device, char* buffer, int pipe, int count) {
        written.push_back({clock->nowMs(), std::string(buffer, static_cast<size_t>(count))});
        return real.write64_usb(device, buffer, pipe, count);
    }
    static int read(int device, char* buffer, int pipe, int count) {
        const int n = real.read64_usb(device, buffer, pipe, count);
        replies.push_back(buffer);
        return n;
    }
    static Cs200Calls calls() { return {intUsb, endUsb, real.get_num, write, read}; }

    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const auto& w : written) {
            out.push_back(w.second);
        }
        return out;
    }
};

class Cs200 : public test::LibraryRig {
protected:
    void SetUp() override {
        LibraryRig::SetUp();
        std::string error;
        ASSERT_TRUE(LoadCs200Library(library, Wire::real, error)) << error;
        Wire::clock = &clock;
        Wire::written.clear();
        Wire::replies.clear();
        Wire::opens = 0;
        Wire::closes = 0;
        calls = Wire::calls();
    }
    VendorLibrary library;
    Cs200Calls calls;
    Wire wire;
};

TEST_F(Cs200, ManualTimeMeasuresThroughTheNotReadyRetry) {
    Cs200Driver cs(context, &calls);
    InstrumentSettings settings;
    settings.cs200SpeedIndex = 5;
    settings.cs200DurationSeconds = 2;
    ASSERT_TRUE(cs.connect(settings));
    EXPECT_TRUE(cs.isOpen());
    EXPECT_EQ(Wire::opens, 1);
    EXPECT_EQ(cs.prepare(), 500);
    EXPECT_EQ(cs.pollCount(false), 1);

    EXPECT_FALSE(cs.trigger().rearm);
    EXPECT_EQ(cs.waitMs(), 1800);
    clock.sleep(cs.waitMs());
    const RawReading r = cs.read();
    ASSERT_TRUE(r.ok);
    double x = 0.0;
    double y = 0.0;
    double Y = 0.0;
    expectedLight(x, y, Y);
    EXPECT_TRUE(test::Near(r.x, x, 1e-5));
    EXPECT_TRUE(test::Near(r.y, y, 1e-5));
    EXPECT_TRUE(test::Near(r.lv, Y, 0.0, 1e-4));

    // The data were read 200 ms early, found not ready, and asked for again 300 ms later.
    const std::vector<std::string> expected = {"RMT,1\r\n", "SPS,5, 2\r\n", "MES,1\r\n", "MDR,0\r\n", "MDR,0\r\n"};
    EXPECT_EQ(wire.commands(), expected);
    ASSERT_EQ(Wire::written.size(), 5u);
    EXPECT_EQ(Wire::written[4].first - Wire::written[3].first, 300);
    EXPECT_EQ(Wire::replies[3], "ER02\r\n");
    EXPECT_EQ(Wire::replies[4].size(), 64u);

    Wire::written.clear();
    cs.disconnect();
    EXPECT_FALSE(cs.isOpen());
    const std::vector<std::string> closing = {"MES,0\r\n", "RMT,0\r\n"};
    EXPECT_EQ(wire.commands(), closing);
    EXPECT_EQ(Wire::written[1].first - Wire::written[0].first, 100);
    EXPECT_EQ(Wire::closes, 1);
    cs.disconnect();  // a second disconnect touches nothing
    EXPECT_EQ(Wire::closes, 1);
}

TEST_F(Cs200, FastSpeedReadsOnceAndWaitsByTheReply) {
    Cs200Driver cs(context, &calls);
    InstrumentSettings settings;  // "FAST"
    ASSERT_TRUE(cs.connect(settings));
    EXPECT_EQ(Wire::written[1].second, "SPS,2, 0\r\n");
    cs.trigger();
    EXPECT_EQ(Wire::replies[2].substr(0, 7), "OK00,01");
    EXPECT_EQ(cs.waitMs(), 800);
    clock.sleep(800);
    EXPECT_TRUE(cs.read().ok);
    EXPECT_EQ(Wire::written.size(), 4u);  // one MDR,0
}

TEST_F(Cs200, AnAbsentMeterOrAFailedMeasurementIsNoReading) {
    sim->setFault("cs200", "no-device", true);
    {
        Cs200Driver cs(context, &calls);
        EXPECT_FALSE(cs.connect(InstrumentSettings()));
        EXPECT_FALSE(cs.isOpen());
        EXPECT_TRUE(logged("SYS:Cannot open CS-200: no answer from the meter"));
        EXPECT_EQ(Wire::closes, 1);  // the link it opened is closed again
    }
    sim->setFault("cs200", "no-device", false);

    Cs200Driver cs(context, &calls);
    ASSERT_TRUE(cs.connect(InstrumentSettings()));
    sim->setFault("cs200", "measure-fails", true);
    cs.trigger();
    EXPECT_EQ(cs.waitMs(), 0);
    const RawReading failed = cs.read();
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.retryMs, 500);
    EXPECT_TRUE(logged("SYS:CS-200 gave no measurement (ER10)"));
    // The same failure again and again is said once, and counted when another follows.
    for (int i = 0; i < 49; ++i) {
        cs.trigger();
        cs.read();
    }
    const size_t first = log.text().find("SYS:CS-200 gave no measurement (ER10)\n");
    EXPECT_EQ(log.text().find("SYS:CS-200 gave no measurement (ER10)\n", first + 1), std::string::npos);

    // Pulled out while measuring: nothing comes back, and nothing is made of it.
    sim->setFault("cs200", "measure-fails", false);
    sim->setFault("cs200", "no-device", true);
    cs.trigger();
    EXPECT_FALSE(cs.read().ok);
    EXPECT_TRUE(logged("SYS:CS-200 gave no measurement (ER10) (50 times in a row)\n"
                       "SYS:CS-200 gave no measurement (no reply)"))
        << log.text();
}

TEST_F(Cs200, AMissingLibraryFailsTheConnectWithALogLine) {
    library.close();  // a library still loaded would be found by its name
    hideLibraries();
    Cs200Driver cs(context);
    EXPECT_FALSE(cs.connect(InstrumentSettings()));
    EXPECT_FALSE(cs.isOpen());
    EXPECT_NE(log.text().find("SYS:Cannot open CS-200: cannot load libkmsecs200.so"), std::string::npos) << log.text();
    cs.disconnect();
    EXPECT_FALSE(cs.read().ok);
}

}  // namespace
}  // namespace halvo

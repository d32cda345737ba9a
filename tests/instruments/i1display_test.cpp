// The i1 Display: the sensor's call sequence against a scripted library, and the driver against
// the stand-in meter on the virtual clock.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments/i1display/eye_one_sensor.h"
#include "instruments/i1display/i1display_driver.h"
#include "library_rig.h"
#include "support/numeric.h"

namespace halvo {
namespace {

// A library that records its calls and answers as scripted.
struct Script {
    static inline std::vector<std::string> calls;
    static inline int devices = 1;
    static inline int handleStatus = 0;
    static inline int openStatus = 0;
    static inline int measureStatus = 0;
    static inline int device = 0;  // what the handle points at

    static void reset() {
        calls.clear();
        devices = 1;
        handleStatus = 0;
        openStatus = 0;
        measureStatus = 0;
    }
    static int record(const std::string& call, int status = 0) {
        calls.push_back(call);
        return status;
    }
    static std::string handleText(I1d3Handle h) { return h == &device ? "dev" : "bad"; }

    static I1d3Calls table() {
        I1d3Calls c;
        c.i1d3Initialize = [] { return record("Initialize"); };
        c.i1d3Destroy = [] { return record("Destroy"); };
        c.i1d3GetNumberOfDevices = [] { return record("GetNumberOfDevices", devices); };
        c.i1d3GetDeviceHandle = [](int index, I1d3Handle* h) {
            if (handleStatus == 0) {
                *h = &device;
            }
            return record("GetDeviceHandle " + std::to_string(index), handleStatus);
        };
        c.i1d3DeviceOpen = [](I1d3Handle h) { return record("DeviceOpen " + handleText(h), openStatus); };
        c.i1d3DeviceClose = [](I1d3Handle h) { return record("DeviceClose " + handleText(h)); };
        c.i1d3SetIntegrationTime = [](I1d3Handle h, double s) {
            return record("SetIntegrationTime " + handleText(h) + " " + std::to_string(s));
        };
        c.i1d3SetMeasurementMode = [](I1d3Handle h, int mode) {
            return record("SetMeasurementMode " + handleText(h) + " " + std::to_string(mode));
        };
        c.i1d3SetTargetLCDTime = [](I1d3Handle h, double s) {
            return record("SetTargetLCDTime " + handleText(h) + " " + std::to_string(s));
        };
        c.i1d3Measure = [](I1d3Handle h, int a, int b, double* result) {
            result[0] = 120.5;  // Y
            result[1] = 0.3127;
            result[2] = 0.329;
            return record("Measure " + handleText(h) + " " + std::to_string(a) + " " + std::to_string(b),
                          measureStatus);
        };
        return c;
    }
};

class EyeOne : public ::testing::Test {
protected:
    void SetUp() override { Script::reset(); }
    I1d3Calls calls = Script::table();
};

TEST_F(EyeOne, OpensTheFirstDeviceOnceAndAgainAfterClosing) {
    CEyeOneSensor sensor(calls);
    EXPECT_EQ(sensor.open(), 1);
    const std::vector<std::string> opening = {"Destroy", "Initialize", "GetNumberOfDevices", "GetDeviceHandle 0",
                                              "DeviceOpen dev"};
    EXPECT_EQ(Script::calls, opening);
    EXPECT_TRUE(sensor.lastStatusOk());

    Script::calls.clear();
    EXPECT_EQ(sensor.open(), 1);  // already open: the library is not touched
    EXPECT_TRUE(Script::calls.empty());

    EXPECT_EQ(sensor.close(), 1);
    EXPECT_EQ(Script::calls, std::vector<std::string>{"DeviceClose dev"});
    Script::calls.clear();
    EXPECT_EQ(sensor.open(), 1);  // the library is started afresh
    EXPECT_EQ(Script::calls, opening);
}

TEST_F(EyeOne, MeasuresWithTheFixedSettingsAndDeliversYxyInItsOrder) {
    CEyeOneSensor sensor(calls);
    ASSERT_EQ(sensor.open(), 1);
    Script::calls.clear();
    double x = 0.0;
    double y = 0.0;
    double Y = 0.0;
    ASSERT_TRUE(sensor.measure(x, y, Y));
    const std::vector<std::string> measuring = {"SetIntegrationTime dev 1.000000", "SetMeasurementMode dev 1",
                                                "SetTargetLCDTime dev 0.500000", "Measure dev 1 1"};
    EXPECT_EQ(Script::calls, measuring);
    EXPECT_DOUBLE_EQ(x, 0.3127);
    EXPECT_DOUBLE_EQ(y, 0.329);
    EXPECT_DOUBLE_EQ(Y, 120.5);

    Script::measureStatus = 7;
    EXPECT_FALSE(sensor.measure(x, y, Y));
    EXPECT_FALSE(sensor.lastStatusOk());
    Script::measureStatus = 0;
    EXPECT_TRUE(sensor.measure(x, y, Y));
    EXPECT_TRUE(sensor.lastStatusOk());
}

TEST_F(EyeOne, WithoutADeviceTheFlagStaysDownAndNoBadHandleIsUsed) {
    Script::devices = 0;
    Script::handleStatus = 2;
    CEyeOneSensor sensor(calls);
    EXPECT_EQ(sensor.open(), 0);
    EXPECT_FALSE(sensor.lastStatusOk());
    const std::vector<std::string> tried = {"Destroy", "Initialize", "GetNumberOfDevices", "GetDeviceHandle 0"};
    EXPECT_EQ(Script::calls, tried);

    // A refused open is tried again on the next call; nothing is measured or closed meanwhile.
    Script::calls.clear();
    double x = 0.0;
    double y = 0.0;
    double Y = 0.0;
    EXPECT_FALSE(sensor.measure(x, y, Y));
    EXPECT_EQ(sensor.close(), 1);
    EXPECT_TRUE(Script::calls.empty());
    Script::handleStatus = 0;
    Script::openStatus = 4;
    EXPECT_EQ(sensor.open(), 0);
    EXPECT_EQ(Script::calls.back(), "DeviceOpen dev");
}

using I1Display = test::LibraryRig;

TEST_F(I1Display, MeasuresTheProbesLightForItsIntegrationTime) {
    I1DisplayDriver i1(context);
    ASSERT_TRUE(i1.connect(InstrumentSettings()));
    EXPECT_TRUE(i1.isOpen());
    EXPECT_EQ(i1.waitMs(), 700);
    EXPECT_FALSE(i1.trigger().rearm);
    EXPECT_EQ(i1.pollCount(true), 1);

    const int64_t before = clock.nowMs();
    const RawReading r = i1.read();
    EXPECT_EQ(clock.nowMs() - before, 1000);  // the measurement blocks for one second
    ASSERT_TRUE(r.ok);
    double x = 0.0;
    double y = 0.0;
    double Y = 0.0;
    expectedLight(x, y, Y);
    EXPECT_TRUE(test::Near(r.x, x, 1e-12));
    EXPECT_TRUE(test::Near(r.y, y, 1e-12));
    EXPECT_TRUE(test::Near(r.lv, Y, 1e-9));

    sim->setFault("i1d3", "measure-fails", true);
    const RawReading failed = i1.read();
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.retryMs, 500);
    EXPECT_EQ(i1.pollCount(true), 0);
    sim->setFault("i1d3", "measure-fails", false);
    EXPECT_TRUE(i1.read().ok);
    EXPECT_EQ(i1.pollCount(true), 1);

    i1.disconnect();
    EXPECT_FALSE(i1.isOpen());
    EXPECT_FALSE(i1.read().ok);
    // The meter was closed: a new connect opens it again.
    I1DisplayDriver again(context);
    EXPECT_TRUE(again.connect(InstrumentSettings()));
    again.disconnect();
}

TEST_F(I1Display, NoMeterOrNoLibraryFailsTheConnectWithTheColorimeterLine) {
    sim->setFault("i1d3", "no-device", true);
    {
        I1DisplayDriver absent(context);
        EXPECT_FALSE(absent.connect(InstrumentSettings()));
        EXPECT_FALSE(absent.isOpen());
        EXPECT_TRUE(logged("SYS:Cannot open colorimeter port"));
        absent.disconnect();
    }  // a library still loaded would be found by its name

    log.clear();
    hideLibraries();
    I1DisplayDriver missing(context);
    EXPECT_FALSE(missing.connect(InstrumentSettings()));
    EXPECT_TRUE(logged("SYS:Cannot open colorimeter port"));
    EXPECT_NE(log.text().find("SYS:i1 Display: cannot load libi1d3SDK.so"), std::string::npos) << log.text();
    missing.disconnect();
    EXPECT_EQ(missing.pollCount(true), 0);
}

}  // namespace
}  // namespace halvo

// The Spyder4 driver against the stand-in sensor on the virtual clock: start-up, the prepare
// sequence with its log lines, the calibration choice, X, Y, Z in thousandths, failures.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "instruments/spyder4/spyder4_driver.h"
#include "library_rig.h"
#include "support/numeric.h"

namespace halvo {
namespace {

// The stand-in's calls, recorded with their arguments and the virtual time.
struct Calls {
    static inline DccmtrCalls real;
    static inline VirtualScheduler* clock = nullptr;
    static inline std::vector<std::string> made;
    static inline std::vector<int64_t> at;

    static void note(const std::string& call) {
        made.push_back(call);
        at.push_back(clock->nowMs());
    }
    static DccmtrCalls table() {
        DccmtrCalls c;
        c.DC_Startup = [](char* buffer, int size) {
            note("Startup " + std::to_string(size));
            return real.DC_Startup(buffer, size);
        };
        c.DC_SetLED = [](int on, int brightness) {
            note("SetLED " + std::to_string(on) + " " + std::to_string(brightness));
            return real.DC_SetLED(on, brightness);
        };
        c.DC_WriteAmbientLightControlRegVal = [](unsigned char v) {
            note("WriteAmbient " + std::to_string(v));
            return real.DC_WriteAmbientLightControlRegVal(v);
        };
        c.DC_ReadAmbientLightLevel = [](uint16_t* level) {
            note("ReadAmbient");
            return real.DC_ReadAmbientLightLevel(level);
        };
        c.DC_UseCalibration = [](int n) {
            note("UseCalibration " + std::to_string(n));
            return real.DC_UseCalibration(n);
        };
        c.DC_GetXYZ = [](int t, int32_t* X, int32_t* Y, int32_t* Z) {
            note("GetXYZ " + std::to_string(t));
            return real.DC_GetXYZ(t, X, Y, Z);
        };
        c.DC_Shutdown = [] {
            note("Shutdown");
            return real.DC_Shutdown();
        };
        return c;
    }
};

class Spyder4 : public test::LibraryRig {
protected:
    void SetUp() override {
        LibraryRig::SetUp();
        std::string error;
        ASSERT_TRUE(LoadDccmtrLibrary(library, Calls::real, error)) << error;
        Calls::clock = &clock;
        Calls::made.clear();
        Calls::at.clear();
        calls = Calls::table();
    }
    // Connects with a "Cal File" entry and prepares.
    void start(Spyder4Driver& spyder, int calibration) {
        InstrumentSettings settings;
        settings.calibrationIndex = calibration;
        ASSERT_TRUE(spyder.connect(settings));
        EXPECT_EQ(spyder.prepare(), 500);
    }
    RawReading measure(Spyder4Driver& spyder) {
        EXPECT_FALSE(spyder.trigger().rearm);
        clock.sleep(spyder.waitMs());
        return spyder.read();
    }
    VendorLibrary library;
    DccmtrCalls calls;
};

TEST_F(Spyder4, StartsUpPreparesAndReadsThousandths) {
    Spyder4Driver spyder(context, &calls);
    start(spyder, 3);  // "Normal-Gamut LCD/ White LED": entry 3, calibration 3 + 2
    const std::vector<std::string> expected = {"Startup 1024",   "SetLED 1 255",     "WriteAmbient 3",
                                               "ReadAmbient",    "WriteAmbient 0",   "UseCalibration 5"};
    EXPECT_EQ(Calls::made, expected);
    EXPECT_EQ(Calls::at[3] - Calls::at[2], 1000);  // the ambient sensor is given a second
    EXPECT_EQ(log.text(),
              "SYS:SN=40719284\n"
              "SYS:DC_WriteAmbientLightControlRegVal\n"
              "SYS:The ambient light sensor has been powered up...\n"
              "SYS:Now measuring ambient light...\n"
              "SYS:ReadAmbientLightLevel returned: 148\n"
              "SYS:The ambient light sensor has been powered down...\n"
              "SYS:Start measurement\n");

    EXPECT_EQ(spyder.waitMs(), 2000);
    EXPECT_EQ(spyder.pollCount(false), 1);
    const RawReading r = measure(spyder);
    EXPECT_EQ(Calls::made.back(), "GetXYZ 120");
    ASSERT_TRUE(r.ok);
    // The White LED calibration weights X, Y, Z by 1.006, 0.998, 0.990.
    const sim::Xyz light = sim->lightAtProbe();
    const double X = std::round(light.X * 1.006 * 1000.0) / 1000.0;
    const double Y = std::round(light.Y * 0.998 * 1000.0) / 1000.0;
    const double Z = std::round(light.Z * 0.990 * 1000.0) / 1000.0;
    EXPECT_TRUE(test::Near(r.x, X / (X + Y + Z), 1e-12));
    EXPECT_TRUE(test::Near(r.y, Y / (X + Y + Z), 1e-12));
    EXPECT_TRUE(test::Near(r.lv, Y, 1e-12));

    Calls::made.clear();
    spyder.disconnect();
    EXPECT_EQ(Calls::made, (std::vector<std::string>{"SetLED 0 0", "Shutdown"}));
    EXPECT_TRUE(logged("SYS:DC_Shutdown"));
    EXPECT_FALSE(spyder.isOpen());
    spyder.disconnect();  // nothing more to shut down
    EXPECT_EQ(Calls::made.size(), 2u);
}

TEST(Spyder4Calibration, TheListEntryPlusTwoNamesTheCalibration) {
    EXPECT_EQ(Spyder4Driver::CalibrationNumber(0), 2);  // "Standard"
    EXPECT_EQ(Spyder4Driver::CalibrationNumber(3), 5);  // "Normal-Gamut LCD/ White LED"
    EXPECT_EQ(Spyder4Driver::CalibrationNumber(5), 7);  // "Wide-Gamut LCD/ CCFL2"
    EXPECT_EQ(Spyder4Driver::CalibrationNumber(-1), 2);  // nothing chosen: "Standard"
}

TEST_F(Spyder4, EachCalibrationMovesTheResultALittle) {
    std::vector<RawReading> readings;
    for (int entry = 0; entry < 6; ++entry) {
        Spyder4Driver spyder(context, &calls);
        start(spyder, entry);
        EXPECT_EQ(Calls::made[5], "UseCalibration " + std::to_string(entry + 2));
        readings.push_back(measure(spyder));
        ASSERT_TRUE(readings.back().ok);
        spyder.disconnect();
        Calls::made.clear();
    }
    for (size_t i = 1; i < readings.size(); ++i) {
        const double dx = std::fabs(readings[i].x - readings[0].x);
        const double dl = std::fabs(readings[i].lv - readings[0].lv) / readings[0].lv;
        EXPECT_GT(dx + dl, 1e-4) << i;
        EXPECT_LT(dx, 0.005) << i;
        EXPECT_LT(dl, 0.005) << i;
    }
}

TEST_F(Spyder4, AFailedAmbientReadStillPowersDownAndSelects) {
    sim->setFault("spyder4", "ambient-fails", true);
    Spyder4Driver spyder(context, &calls);
    start(spyder, 0);
    EXPECT_EQ(Calls::made[4], "WriteAmbient 0");
    EXPECT_EQ(Calls::made[5], "UseCalibration 2");
    EXPECT_TRUE(logged("SYS:DC_ReadAmbientLightLevel failed"));
    EXPECT_TRUE(logged("SYS:The ambient light sensor has been powered down..."));
    EXPECT_TRUE(logged("SYS:Start measurement"));
    EXPECT_FALSE(logged("SYS:DC_UseCalibration failed"));
}

TEST_F(Spyder4, AFailedReadIsReportedAndGivesNoReading) {
    Spyder4Driver spyder(context, &calls);
    start(spyder, 0);
    task.CalibrationState = kTaskGamma;
    ASSERT_TRUE(measure(spyder).ok);
    sim->setFault("spyder4", "measure-fails", true);
    const RawReading failed = measure(spyder);
    EXPECT_TRUE(logged("CAL: Comunication error, please reconnect Spyder4."));
    EXPECT_FALSE(failed.ok);  // not the previous patch's X, Y, Z again
    EXPECT_EQ(failed.retryMs, 500);
    // Failing on: said once, then with the count when a read works again.
    for (int i = 0; i < 99; ++i) {
        measure(spyder);
    }
    sim->setFault("spyder4", "measure-fails", false);
    EXPECT_TRUE(measure(spyder).ok);
    EXPECT_EQ(log.text().substr(log.text().find("CAL: Comunication")),
              "CAL: Comunication error, please reconnect Spyder4.\n"
              "CAL: Comunication error, please reconnect Spyder4. (100 times in a row)\n");
}

TEST_F(Spyder4, AMissingSensorOrLibraryFailsTheStartUp) {
    sim->setFault("spyder4", "no-device", true);
    {
        Spyder4Driver spyder(context, &calls);
        EXPECT_FALSE(spyder.connect(InstrumentSettings()));
        EXPECT_FALSE(spyder.isOpen());
    }
    EXPECT_EQ(log.text(), "SYS:DC_Startup failed\nSYS:Comunication error, please reconnect Spyder4.\n");

    log.clear();
    library.close();  // a library still loaded would be found by its name
    hideLibraries();
    Spyder4Driver spyder(context);
    EXPECT_FALSE(spyder.connect(InstrumentSettings()));
    EXPECT_NE(log.text().find("SYS:Spyder4: cannot load libdccmtr.so"), std::string::npos) << log.text();
    EXPECT_TRUE(logged("SYS:DC_Startup failed"));
    spyder.disconnect();
    EXPECT_FALSE(logged("SYS:DC_Shutdown"));
}

}  // namespace
}  // namespace halvo

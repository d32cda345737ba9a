// The stand-in of the spectroradiometer's core library, driven through Vantrel on the simulated
// station: its devices, the time its measurements take, and what it measures.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "colorimetry/evaluation.h"
#include "monitor/monitor_protocol.h"
#include "radiometric/vantrel.h"
#include "sim/pelko/spectro_device.h"
#include "sim/sim_station.h"
#include "support/numeric.h"

namespace halvo::sim {
namespace {

using test::Near;

class PelkoCore : public ::testing::Test {
protected:
    void SetUp() override {
        SimStationConfig config;
        config.pelkoDevices = 2;
        station = std::make_unique<SimStation>(clock, config);
        station->install();
        library = dlopen(HALVO_STANDIN_DIR "/libpelko_core.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        lookup = reinterpret_cast<PelkoCoreLookup>(dlsym(library, PELKO_CORE_LOOKUP));
        ASSERT_NE(lookup, nullptr);
        VantrelBindCore(lookup);
    }
    void TearDown() override {
        for (int32_t h : opened) {
            PELKO_CloseRadioEx(h);
        }
        VantrelBindCore(nullptr);
        station.reset();
        if (library != nullptr) {
            dlclose(library);
        }
    }

    void draw(uint32_t rgb) {
        const Bytes frame = *BuildMonitorFrame(MonitorCommand::DrawPattern, rgb);
        station->monitor().receive(frame.data(), frame.size());
        clock.sleep(50);
    }
    int32_t open(int32_t index) {
        int32_t handle = 0;
        EXPECT_EQ(PELKO_OpenRadioEx(index, &handle), 0);
        opened.push_back(handle);
        return handle;
    }
    // Polls a started measurement every 10 ms to its end: the status code of the last poll.
    int32_t finish(int32_t handle) {
        int32_t status = 1;
        int32_t e = 0;
        for (int i = 0; i < 2000 && e == 0 && status != 0; ++i) {
            clock.sleep(10);
            e = PELKO_MeasureStatusEx(handle, &status);
        }
        return e;
    }
    // A whole measurement; the time it took.
    int64_t measure(int32_t handle, int32_t tintMs = 0, int32_t average = 1, int32_t step = 1) {
        const int64_t start = clock.nowMs();
        EXPECT_EQ(PELKO_MeasureEx(handle, tintMs, average, step), 0);
        EXPECT_EQ(finish(handle), 0);
        return clock.nowMs() - start;
    }
    template <typename Call>
    Call core(int32_t ordinal) {
        return reinterpret_cast<Call>(lookup(ordinal));
    }

    VirtualScheduler clock;
    std::unique_ptr<SimStation> station;
    void* library = nullptr;
    PelkoCoreLookup lookup = nullptr;
    std::vector<int32_t> opened;
};

TEST_F(PelkoCore, TheDevicesAreThoseTheStationHasPluggedIn) {
    int32_t count = -1;
    EXPECT_EQ(PELKO_GetNumRadioEx(&count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(clock.nowMs(), 150);  // the search takes its time
    int32_t a = 0;
    int32_t b = 0;
    EXPECT_EQ(PELKO_GetSerialRadioEx(1, &a, &b), 0);
    EXPECT_EQ(a, 2106);
    EXPECT_EQ(b, 1002);
    EXPECT_EQ(PELKO_GetSerialRadioEx(2, &a, &b), PELKO_CORE_NO_DEVICE);

    const int32_t second = open(1);
    EXPECT_EQ(second, 2);
    int32_t again = 0;
    EXPECT_EQ(PELKO_OpenRadioEx(1, &again), PELKO_CORE_IN_USE);
    EXPECT_EQ(PELKO_CloseRadioEx(second), 0);
    EXPECT_EQ(PELKO_CloseRadioEx(second), PELKO_CORE_BAD_HANDLE);
    EXPECT_EQ(PELKO_MeasureEx(second, 0, 1, 1), PELKO_CORE_BAD_HANDLE);
    open(1);

    station->setFault("pelko", "no-device", true);
    EXPECT_EQ(PELKO_GetNumRadioEx(&count), 0);
    EXPECT_EQ(count, 0);
    station->setFault("pelko", "no-device", false);
    station->uninstall();  // no simulated station: a core with nothing plugged in
    EXPECT_EQ(PELKO_GetNumRadioEx(&count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(PELKO_OpenRadioEx(0, &again), PELKO_CORE_NO_DEVICE);
}

TEST_F(PelkoCore, MeasuresThePanelWithinItsSpecifiedAccuracyAtBothSteps) {
    const int32_t h = open(0);
    for (uint32_t pattern : {0xFFFFFFu, 0x0000FFu, 0x00FF00u, 0xFF0000u, 0x808080u, 0x204060u}) {
        draw(pattern);
        const Xyz truth = station->lightAtProbe();
        const double x = truth.X / (truth.X + truth.Y + truth.Z);
        const double y = truth.Y / (truth.X + truth.Y + truth.Z);
        for (int32_t step : {1, 5}) {
            measure(h, 0, 1, step);
            float fX = 0;
            float fY = 0;
            float fZ = 0;
            ASSERT_EQ(PELKO_ChromXYZEx(h, 380, 780, &fX, &fY, &fZ), 0);
            const double X = static_cast<double>(fX);
            const double Y = static_cast<double>(fY);
            const double sum = X + Y + static_cast<double>(fZ);
            EXPECT_TRUE(Near(X / sum, x, kSpectroChromaticityAccuracy)) << std::hex << pattern << " step " << step;
            EXPECT_TRUE(Near(Y / sum, y, kSpectroChromaticityAccuracy)) << std::hex << pattern << " step " << step;
            EXPECT_TRUE(Near(Y, truth.Y, 0.0, kSpectroLuminanceAccuracy)) << std::hex << pattern << " step " << step;
            double cx = 0;
            double cy = 0;
            double lv = 0;
            ASSERT_EQ(PELKO_ChromxyEx(h, 380, 780, &cx, &cy), 0);
            ASSERT_EQ(PELKO_PhotoEx(h, 380, 780, &lv), 0);
            EXPECT_TRUE(Near(cx, X / sum, 1e-6));
            EXPECT_TRUE(Near(lv, Y, 0.0, 1e-6));
        }
    }
}

TEST_F(PelkoCore, AMeasurementTakesTheTimeItsExposureNeeds) {
    const int32_t h = open(0);
    draw(0xFFFFFF);
    const int64_t white = measure(h);
    EXPECT_GT(white, 30);
    EXPECT_LT(white, 400);
    draw(0x303030);  // dim enough not to saturate 60 ms
    const int64_t fixed = measure(h, 60, 3);
    EXPECT_GE(fixed, 3 * 60);
    EXPECT_LT(fixed, 3 * 60 + 150);

    // Black needs the longest integration the device may choose: 5 s of its own, or the limit set.
    draw(0x000000);
    const int64_t black = measure(h);
    EXPECT_GE(black, 5000);
    EXPECT_LT(black, 5300);
    ASSERT_EQ(core<PelkoCall104>(104)(h, 1), 0);
    ASSERT_EQ(core<PelkoCall106>(106)(h, 20), 0);
    ASSERT_EQ(core<PelkoCall115>(115)(h, 4000), 0);
    const int64_t limited = measure(h);
    EXPECT_GE(limited, 4000);
    EXPECT_LT(limited, 4300);

    // Live view on: the core refuses to start (Vantrel switches it off first).
    ASSERT_EQ(core<PelkoCall13>(13)(h, 1), 0);
    EXPECT_EQ(core<PelkoCall7>(7)(h), PELKO_CORE_BUSY);
}

TEST_F(PelkoCore, TheExposureLookFindsATimeForLightItCanReach) {
    const int32_t h = open(0);
    draw(0xFFFFFF);
    int32_t available = 0;
    int32_t timeMs = 0;
    const int64_t before = clock.nowMs();
    ASSERT_EQ(core<PelkoCall101>(101)(h, &available), 0);
    EXPECT_EQ(clock.nowMs() - before, 30);
    ASSERT_EQ(core<PelkoCall102>(102)(h, &timeMs), 0);
    EXPECT_EQ(available, 1);
    EXPECT_GE(timeMs, 1);
    EXPECT_LE(timeMs, 50);

    draw(0x000000);
    ASSERT_EQ(core<PelkoCall104>(104)(h, 1), 0);
    ASSERT_EQ(core<PelkoCall115>(115)(h, 100), 0);
    ASSERT_EQ(core<PelkoCall101>(101)(h, &available), 0);
    ASSERT_EQ(core<PelkoCall102>(102)(h, &timeMs), 0);
    EXPECT_EQ(available, 0);
    EXPECT_EQ(timeMs, 0);
}

TEST_F(PelkoCore, MeasurementsEndWithoutAResultWhenSaturatedAbortedOrSpoiled) {
    const int32_t h = open(0);
    draw(0xFFFFFF);
    measure(h);
    float Y = 0;
    float XZ = 0;
    ASSERT_EQ(PELKO_ChromXYZEx(h, 380, 780, &XZ, &Y, &XZ), 0);

    ASSERT_EQ(PELKO_MeasureEx(h, 2000, 1, 1), 0);  // two seconds on full white
    EXPECT_EQ(finish(h), PELKO_CORE_ABORTED);
    ASSERT_EQ(PELKO_MeasureEx(h, 0, 1, 1), 0);
    clock.sleep(5);
    ASSERT_EQ(PELKO_MeasureBreakEx(h), 0);
    EXPECT_EQ(finish(h), PELKO_CORE_ABORTED);
    station->setFault("pelko", "aborts", true);
    ASSERT_EQ(PELKO_MeasureEx(h, 0, 1, 1), 0);
    EXPECT_EQ(finish(h), PELKO_CORE_ABORTED);
    station->setFault("pelko", "aborts", false);

    // The last good spectrum is still the one evaluated.
    float again = 0;
    ASSERT_EQ(PELKO_ChromXYZEx(h, 380, 780, &XZ, &again, &XZ), 0);
    EXPECT_EQ(again, Y);
}

TEST_F(PelkoCore, EvaluatesSpectrumColourAndTemperatureOverTheRangeAsked) {
    const int32_t h = open(0);
    double value = 0;
    EXPECT_EQ(PELKO_PhotoEx(h, 380, 780, &value), PELKO_CORE_NO_DATA);

    draw(0x0000FF);  // the red channel: narrow phosphor lines near 631 nm
    measure(h, 0, 1, 5);
    std::vector<double> spectrum(81);
    ASSERT_EQ(PELKO_SpecRadEx(h, 380, 780, spectrum.data()), 0);
    const size_t peak = static_cast<size_t>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
    EXPECT_EQ(380 + 5 * static_cast<int>(peak), 630);
    double radiance = 0;
    ASSERT_EQ(PELKO_RadioEx(h, 380, 780, &radiance), 0);
    double sum = 0;
    for (double v : spectrum) {
        sum += 5 * v;
    }
    EXPECT_TRUE(Near(radiance, sum, 1e-12, 1e-9));
    double wavelength = 0;
    double purity = 0;
    ASSERT_EQ(PELKO_DWLPEEx(h, 380, 780, &wavelength, &purity), 0);
    EXPECT_GT(wavelength, 610);
    EXPECT_LT(wavelength, 625);
    EXPECT_GT(purity, 0.9);
    EXPECT_LE(purity, 1.0);
    // Another range: only blue-green light there.
    double lv = 0;
    ASSERT_EQ(PELKO_PhotoEx(h, 380, 780, &value), 0);
    ASSERT_EQ(PELKO_PhotoEx(h, 400, 560, &lv), 0);
    EXPECT_LT(lv, 0.05 * value);

    draw(0xFFFFFF);
    measure(h);
    const Xyz truth = station->lightAtProbe();
    const ColorimetricRecord expected = EvaluateXyz(truth.X, truth.Y, truth.Z);
    double cct = 0;
    double duv = 0;
    ASSERT_EQ(PELKO_CCTEx(h, 380, 780, &cct), 0);
    ASSERT_EQ(PELKO_DuvEx(h, &duv), 0);
    EXPECT_TRUE(Near(cct, expected.cct, 60.0));  // 0.002 in x, y is about 1 % near 7000 K
    EXPECT_TRUE(Near(duv, expected.duv, 0.002));
    double u = 0;
    double v = 0;
    ASSERT_EQ(PELKO_ChromuvEx(h, 380, 780, &u, &v), 0);
    EXPECT_TRUE(Near(u, expected.u, 0.002));
    EXPECT_TRUE(Near(v, expected.vp, 0.002));

    EXPECT_EQ(PELKO_CRIEx(h, &value), PELKO_CORE_UNSUPPORTED);
    EXPECT_EQ(PELKO_Chromxy10Ex(h, &u, &v), PELKO_CORE_UNSUPPORTED);
    EXPECT_EQ(lookup(5), nullptr);
    EXPECT_EQ(PELKO_SpecRadEx(h, 370, 780, spectrum.data()), PELKO_CORE_BAD_ARGUMENT);
    EXPECT_EQ(PELKO_SetMeasDistEx(h, 500), 0);
    int32_t distance = 0;
    EXPECT_EQ(PELKO_GetMeasDistEx(h, &distance), 0);
    EXPECT_EQ(distance, 500);
}

TEST_F(PelkoCore, ALostDeviceAnswers255UntilClosed) {
    const int32_t h = open(0);
    ASSERT_EQ(PELKO_MeasureEx(h, 0, 1, 1), 0);
    station->setFault("pelko", "lost", true);
    int32_t status = 0;
    EXPECT_EQ(PELKO_MeasureStatusEx(h, &status), PELKO_CORE_LOST);
    station->setFault("pelko", "lost", false);
    EXPECT_EQ(finish(h), 0);

    station->uninstall();  // the station, and its devices, gone
    EXPECT_EQ(PELKO_MeasureStatusEx(h, &status), PELKO_CORE_LOST);
    EXPECT_EQ(PELKO_CloseRadioEx(h), 0);
    opened.clear();
}

}  // namespace
}  // namespace halvo::sim

// The CS-200, i1 Display and Spyder4 stand-ins as meters, through their drivers: each reads a
// patch with a bias of its own and a noise that a seed repeats, the dark end scatters most,
// the integration follows the speed or mode, and the errors their libraries report reach the
// driver as no measurement.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "instruments/cs200/cs200_driver.h"
#include "instruments/i1display/i1display_driver.h"
#include "instruments/i1display/i1d3_library.h"
#include "instruments/spyder4/dccmtr_library.h"
#include "instruments/spyder4/spyder4_driver.h"
#include "library_rig.h"
#include "monitor/monitor_protocol.h"

namespace halvo {
namespace {

struct Stats {
    double x = 0, y = 0, lv = 0;     // means
    double sdX = 0, sdLv = 0;        // standard deviations
    std::vector<double> lvs;
};

class LibraryMeters : public test::LibraryRig {
protected:
    void SetUp() override {
        LibraryRig::SetUp();
        for (const char* meter : {"cs200", "i1d3", "spyder4"}) {
            sim->setFault(meter, "exact", false);
        }
    }
    std::unique_ptr<InstrumentDriver> open(InstrumentKind kind, const InstrumentSettings& settings = {}) {
        std::unique_ptr<InstrumentDriver> d;
        switch (kind) {
            case InstrumentKind::Cs200: d = std::make_unique<Cs200Driver>(context); break;
            case InstrumentKind::I1Display: d = std::make_unique<I1DisplayDriver>(context); break;
            default: d = std::make_unique<Spyder4Driver>(context); break;
        }
        EXPECT_TRUE(d->connect(settings));
        clock.sleep(d->prepare());
        return d;
    }
    void show(uint32_t rgb) {
        const Bytes frame = *BuildMonitorFrame(MonitorCommand::DrawPattern, rgb);
        sim->monitor().receive(frame.data(), frame.size());
        clock.sleep(100);
    }
    Stats readings(InstrumentDriver& d, int n) {
        Stats s;
        std::vector<double> xs;
        for (int i = 0; i < n; ++i) {
            d.trigger();
            clock.sleep(d.waitMs());
            const RawReading r = d.read();
            EXPECT_TRUE(r.ok);
            xs.push_back(r.x);
            s.lvs.push_back(r.lv);
            s.x += r.x / n;
            s.y += r.y / n;
            s.lv += r.lv / n;
        }
        for (int i = 0; i < n; ++i) {
            s.sdX += (xs[static_cast<size_t>(i)] - s.x) * (xs[static_cast<size_t>(i)] - s.x) / (n - 1);
            s.sdLv += (s.lvs[static_cast<size_t>(i)] - s.lv) * (s.lvs[static_cast<size_t>(i)] - s.lv) / (n - 1);
        }
        s.sdX = std::sqrt(s.sdX);
        s.sdLv = std::sqrt(s.sdLv);
        return s;
    }
};

constexpr InstrumentKind kMeters[] = {InstrumentKind::Cs200, InstrumentKind::I1Display, InstrumentKind::Spyder4};

TEST_F(LibraryMeters, OnePatchReadsDifferentlyOnEachMeterByPlausibleAmounts) {
    show(0xFFFFFF);
    double x = 0, y = 0, Y = 0;
    expectedLight(x, y, Y);
    std::vector<Stats> seen;
    for (const InstrumentKind kind : kMeters) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto d = open(kind);
        const Stats s = readings(*d, 12);
        // Each meter's bias: a few thousandths at most in x or y, a per cent or less in Y;
        // none reads the truth.
        EXPECT_LT(std::fabs(s.x - x), 0.004);
        EXPECT_LT(std::fabs(s.y - y), 0.004);
        EXPECT_GT(std::fabs(s.x - x) + std::fabs(s.y - y), 0.0003);
        EXPECT_LT(std::fabs(s.lv / Y - 1), 0.012);
        // On a bright patch the scatter is small against the bias, but there is one.
        EXPECT_GT(s.sdX, 0.0);
        EXPECT_LT(s.sdX, 0.0005);
        d->disconnect();
        seen.push_back(s);
    }
    for (size_t a = 0; a < seen.size(); ++a) {
        for (size_t b = a + 1; b < seen.size(); ++b) {
            const double dxy = std::fabs(seen[a].x - seen[b].x) + std::fabs(seen[a].y - seen[b].y);
            EXPECT_GT(dxy, 0.0005) << a << " " << b;
            EXPECT_LT(dxy, 0.008) << a << " " << b;
        }
    }
}

TEST_F(LibraryMeters, TheSameSeedReadsTheSameFiguresAnotherSeedOthers) {
    show(0xFFFFFF);
    for (const InstrumentKind kind : kMeters) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto first = open(kind);
        const Stats a = readings(*first, 4);
        first->disconnect();
        auto again = open(kind);
        const Stats b = readings(*again, 4);
        again->disconnect();
        EXPECT_EQ(a.lvs, b.lvs) << "a meter opened again starts its noise afresh";
    }
    // Another station, another seed.
    std::vector<double> before;
    {
        auto d = open(InstrumentKind::I1Display);
        before = readings(*d, 4).lvs;
        d->disconnect();
    }
    sim.reset();
    sim::SimStationConfig other;
    other.seed = 2;
    sim = std::make_unique<sim::SimStation>(clock, other);
    sim->install();
    show(0xFFFFFF);
    auto d = open(InstrumentKind::I1Display);
    EXPECT_NE(readings(*d, 4).lvs, before);
    d->disconnect();
}

TEST_F(LibraryMeters, DarkPatchesScatterFarMoreThanBrightOnes) {
    for (const InstrumentKind kind : kMeters) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto d = open(kind);
        show(0xFFFFFF);
        const Stats bright = readings(*d, 12);
        show(0x000000);
        const Stats dark = readings(*d, 12);
        EXPECT_GT(dark.sdLv / dark.lv, 5 * bright.sdLv / bright.lv);
        EXPECT_GT(dark.sdX, 5 * bright.sdX);
        // Still a black level a verification can judge: within a few per cent.
        EXPECT_LT(dark.sdLv / dark.lv, 0.05);
        d->disconnect();
    }
}

TEST_F(LibraryMeters, TheIntegrationFollowsTheSpeedOrTheMode) {
    show(0x202020);  // about 1 cd/m2: where the time matters
    // CS-200: super-slow integrates eleven times as long as super-fast and scatters less.
    InstrumentSettings superFast;
    superFast.cs200SpeedIndex = 1;
    InstrumentSettings superSlow;
    superSlow.cs200SpeedIndex = 4;
    auto fast = open(InstrumentKind::Cs200, superFast);
    const Stats f = readings(*fast, 16);
    fast->disconnect();
    auto slow = open(InstrumentKind::Cs200, superSlow);
    const int64_t start = clock.nowMs();
    const Stats s = readings(*slow, 16);
    EXPECT_GE(clock.nowMs() - start, 16 * 5700);
    slow->disconnect();
    EXPECT_LT(s.sdLv, f.sdLv);

    // i1 Display: mode 1 integrates the set time; mode 0 adapts to the light.
    VendorLibrary library;
    I1d3Calls i1;
    std::string error;
    ASSERT_TRUE(LoadI1d3Library(library, i1, error)) << error;
    ASSERT_EQ(i1.i1d3Initialize(), 0);
    I1d3Handle h = nullptr;
    ASSERT_EQ(i1.i1d3GetDeviceHandle(0, &h), 0);
    ASSERT_EQ(i1.i1d3DeviceOpen(h), 0);
    ASSERT_EQ(i1.i1d3SetIntegrationTime(h, 1.0), 0);
    ASSERT_EQ(i1.i1d3SetTargetLCDTime(h, 0.5), 0);
    double yxy[3];
    const auto blocked = [&](int mode) {
        EXPECT_EQ(i1.i1d3SetMeasurementMode(h, mode), 0);
        const int64_t t0 = clock.nowMs();
        EXPECT_EQ(i1.i1d3Measure(h, 1, 1, yxy), 0);
        return clock.nowMs() - t0;
    };
    show(0xFFFFFF);
    EXPECT_EQ(blocked(1), 1000);
    EXPECT_EQ(blocked(0), 500) << "bright: the target LCD time";
    show(0x000000);
    EXPECT_EQ(blocked(1), 1000);
    EXPECT_EQ(blocked(0), 4000) << "black: up to four times the set time";
    i1.i1d3DeviceClose(h);
    i1.i1d3Destroy();

    // Spyder4: a longer read time scatters less.
    VendorLibrary dc;
    DccmtrCalls spyder;
    ASSERT_TRUE(LoadDccmtrLibrary(dc, spyder, error)) << error;
    char buffer[1024];
    ASSERT_EQ(spyder.DC_Startup(buffer, sizeof buffer), 1);
    show(0x202020);
    const auto scatter = [&](int readTime) {
        double sum = 0, sum2 = 0;
        for (int i = 0; i < 16; ++i) {
            int32_t X = 0, Y = 0, Z = 0;
            EXPECT_EQ(spyder.DC_GetXYZ(readTime, &X, &Y, &Z), 1);
            sum += Y;
            sum2 += static_cast<double>(Y) * Y;
        }
        return std::sqrt(std::max(0.0, sum2 / 16 - (sum / 16) * (sum / 16)));
    };
    EXPECT_LT(scatter(480), scatter(30));
    spyder.DC_Shutdown();
}

TEST_F(LibraryMeters, TheErrorsTheLibrariesReportAreNoMeasurement) {
    show(0xFFFFFF);
    auto cs = open(InstrumentKind::Cs200);
    for (const char* fault : {"over-range", "slow-data", "measure-fails"}) {
        SCOPED_TRACE(fault);
        sim->setFault("cs200", fault, true);
        cs->trigger();
        clock.sleep(cs->waitMs());
        const RawReading r = cs->read();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.retryMs, 500);
        sim->setFault("cs200", fault, false);
    }
    EXPECT_NE(log.text().find("CS-200 gave no measurement (ER10)"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("CS-200 gave no measurement (ER02)"), std::string::npos) << log.text();
    cs->trigger();
    clock.sleep(cs->waitMs());
    EXPECT_TRUE(cs->read().ok) << "and the meter measures again";
    cs->disconnect();

    auto i1 = open(InstrumentKind::I1Display);
    sim->setFault("i1d3", "saturated", true);
    EXPECT_FALSE(i1->read().ok);
    sim->setFault("i1d3", "saturated", false);
    EXPECT_TRUE(i1->read().ok);
    i1->disconnect();
}

}  // namespace
}  // namespace halvo

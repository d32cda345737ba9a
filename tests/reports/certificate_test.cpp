// The certificate as data and the patches it judges with CIEDE2000: what is compared with what,
// the verdict and its counts, the earlier run beside the later one, the white points and the
// uniformity places.

#include "reports/certificate.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

#include "reports/sample_results.h"
#include "support/numeric.h"

namespace halvo {
namespace {

using test::Near;

// Readings exactly where the colour space's targets are, for a monitor whose white is `whiteLv`
// and whose greys follow the target gamma.
ColorSpaceResults PerfectMonitor(int cs, double whiteLv) {
    const auto& t = DefaultColorSpaceTargets()[static_cast<size_t>(cs - 1)];
    const double scale = whiteLv / t[0].Y;
    ColorSpaceResults r;  // every reading zero: not measured
    for (int k = 1; k <= 10; ++k) {
        r.gamma[static_cast<size_t>(k)] =
            test::Reading(t[0].x, t[0].y, whiteLv * std::pow(std::ceil(k * 25.5) / 255.0, TargetGamma(cs)));
    }
    const int slots[7][2] = {{kResultWhite, 0}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 6}, {8, 5}};
    for (const auto& s : slots) {
        const ColorSpaceTarget& target = t[static_cast<size_t>(s[1])];
        r.colors[static_cast<size_t>(s[0])] = test::Reading(target.x, target.y, target.Y * scale);
    }
    return r;
}

// The colour of every patch at its target is no difference at all, whatever the monitor's white
// luminance: the readings are taken relative to the measured white.
TEST(VerifiedPatches, AMonitorOnItsTargetsDiffersByNothingAtAnyWhiteLevel) {
    for (const int cs : {1, 4, 5}) {
        for (const double whiteLv : {100.0, 80.0, 48.0}) {
            const ColorSpacePatches p = VerifiedPatchesOf(PerfectMonitor(cs, whiteLv), cs, DefaultColorSpaceTargets());
            ASSERT_TRUE(p.targeted);
            EXPECT_EQ(p.patches.size(), 17u) << "ten greys (level 0 was not measured) and seven colours";
            for (const VerifiedPatch& v : p.patches) {
                EXPECT_TRUE(Near(v.deltaE2000, 0.0, 1e-6)) << v.name << " in colour space " << cs;
            }
            EXPECT_TRUE(Near(p.maxDeltaE2000, 0.0, 1e-6));
            EXPECT_TRUE(Near(p.measuredWhite.Y, whiteLv, 1e-9));
        }
    }
}

TEST(VerifiedPatches, AWhiteOffItsTargetShowsAndSoDoTheGreysThatFollowIt) {
    ColorSpaceResults r = PerfectMonitor(1, 100.0);
    r.colors[kResultWhite] = test::Reading(0.3127 + 0.004, 0.329, 100.0);
    const ColorSpacePatches p = VerifiedPatchesOf(r, 1, DefaultColorSpaceTargets());
    const auto find = [&](const std::string& name) -> const VerifiedPatch& {
        for (const VerifiedPatch& v : p.patches) {
            if (v.name == name) {
                return v;
            }
        }
        static const VerifiedPatch none;
        ADD_FAILURE() << name;
        return none;
    };
    // About one unit of CIEDE2000 per 0.004 of x near D65.
    EXPECT_GT(find("White").deltaE2000, 1.0);
    EXPECT_LT(find("White").deltaE2000, 4.0);
    // The greys did not move; their white did not either, as the colour run's white is the scale
    // and has the same luminance: they stay on target.
    EXPECT_TRUE(Near(find("Grey 50%").deltaE2000, 0.0, 1e-6));
    EXPECT_EQ(find("Red").r, 255);
    EXPECT_EQ(find("Cyan").g, 255);
    EXPECT_EQ(find("Cyan").r, 0);
    EXPECT_EQ(find("Grey 50%").r, 128);
    EXPECT_TRUE(Near(p.maxDeltaE2000, find("White").deltaE2000, 0.0));
}

TEST(VerifiedPatches, NativeHasPatchesButNoTargetAndUnmeasuredSpacesAreLeftOut) {
    MeasurementResults results;
    test::RecordingSink sink;
    CMeasure page(sink);
    test::MeasureColorSpace(page, results, 0);
    const std::vector<ColorSpacePatches> all = VerifiedPatchesFor(results, {0, 1, 2}, DefaultColorSpaceTargets());
    ASSERT_EQ(all.size(), 1u) << "BT.709 and SMPTE-C measured nothing";
    EXPECT_FALSE(all[0].targeted);
    EXPECT_EQ(all[0].patches.size(), 19u);
    EXPECT_EQ(all[0].meanDeltaE2000, kNotMeasured);
    EXPECT_EQ(all[0].patches.front().deltaE2000, kNotMeasured);
    // Only gamma measured: its top level is the white.
    ColorSpaceResults gammaOnly = PerfectMonitor(1, 90.0);
    for (ColorReading& c : gammaOnly.colors) {
        c = NotMeasuredReading();
    }
    const ColorSpacePatches g = VerifiedPatchesOf(gammaOnly, 1, DefaultColorSpaceTargets());
    EXPECT_EQ(g.patches.size(), 10u);
    EXPECT_TRUE(Near(g.measuredWhite.Y, 90.0, 1e-9));
    EXPECT_TRUE(Near(g.meanDeltaE2000, 0.0, 1e-6));
}

class CertificateTest : public ::testing::Test {
protected:
    CertificateSources sources(MeasurementResults& r, uint8_t mask) {
        CertificateSources s;
        s.report.results = &r;
        s.report.colorSpaceMask = mask;
        s.report.colorSpaceMode = mask != 1;
        s.report.date = "03/14/2025 09:26:53";
        s.report.model = "TXM-300";
        s.report.probe = "CA-210";
        s.report.calibrationId = "VRL000001";
        s.report.testedBy = "M. Arden";
        s.report.versionMajor = 8;
        s.firmware = "V2.10";
        s.stationName = "Bay 3";
        return s;
    }
    test::RecordingSink sink;
    CMeasure page{sink};
};

TEST_F(CertificateTest, TheVerdictCountsTheMeasuredItemsAndTheOnesOutOfRange) {
    MeasurementResults results;
    page.onColorSpaceToggled(true);
    test::MeasureColorSpace(page, results, 1);
    test::MeasurePositions(page, results, false);
    Certificate c = BuildCertificate(sources(results, 0b10));
    EXPECT_EQ(c.verdict, CertificateVerdict::Pass) << c.verdictDetail();
    EXPECT_STREQ(c.verdictText(), "PASS");
    EXPECT_GT(c.measuredItems, 20);
    EXPECT_EQ(c.verdictDetail(), "All " + std::to_string(c.measuredItems) + " measured items within their limits.");
    EXPECT_FALSE(c.hasBefore);
    EXPECT_EQ(c.software, "Halvo V8.0");
    for (const CertificateItem& it : c.items) {
        if (it.test == "Gamma" && it.item == "BT-709") {
            EXPECT_EQ(it.criterion, "2.20\u00B10.02");
            EXPECT_EQ(it.verdict, Verdict::Ok);
        }
    }

    // A black too bright: one item out.
    results.spaces[1].colors[kResultBlack] = test::Reading(0.3127, 0.329, 0.5);
    c = BuildCertificate(sources(results, 0b10));
    EXPECT_EQ(c.verdict, CertificateVerdict::Fail);
    EXPECT_EQ(c.outOfRange, 1);
    EXPECT_EQ(c.verdictDetail(), "1 of " + std::to_string(c.measuredItems) + " measured items out of range.");

    MeasurementResults nothing;
    EXPECT_EQ(BuildCertificate(sources(nothing, 1)).verdict, CertificateVerdict::NotVerified);
    EXPECT_EQ(BuildCertificate(sources(nothing, 1)).verdictDetail(), "Nothing was measured.");
}

TEST_F(CertificateTest, TheEarlierVerificationStandsBesideEachItem) {
    MeasurementResults after;
    page.onColorSpaceToggled(true);
    test::MeasureColorSpace(page, after, 1);
    MeasurementResults before = after;
    before.spaces[1].colors[3] = test::Reading(0.66, 0.32, 21.0);  // red off before the calibration
    CertificateSources s = sources(after, 0b10);
    s.before = &before;
    s.beforeMask = 0b10;
    s.beforeColorSpaceMode = true;
    const Certificate c = BuildCertificate(s);
    ASSERT_TRUE(c.hasBefore);
    EXPECT_GT(c.outOfRangeBefore, 0);
    EXPECT_EQ(c.outOfRange, 0);
    bool seen = false;
    for (const CertificateItem& it : c.items) {
        if (it.test == "Primary Colors" && it.item == "BT-709" && it.quantity == "\u0394u' r") {
            seen = true;
            EXPECT_TRUE(it.inBefore);
            EXPECT_EQ(it.beforeVerdict, Verdict::OutOfRange);
            EXPECT_EQ(it.verdict, Verdict::Ok);
            EXPECT_EQ(it.criterion, "\u2264 0.0060");
        }
    }
    EXPECT_TRUE(seen);

    // An earlier run that measured nothing gives no before column.
    MeasurementResults empty;
    s.before = &empty;
    EXPECT_FALSE(BuildCertificate(s).hasBefore);
}

TEST_F(CertificateTest, WhitePointsUniformityPlacesDiagramAndGamma) {
    MeasurementResults results;
    test::MeasureColorSpace(page, results, 0);
    test::MeasurePositions(page, results, false);
    const Certificate c = BuildCertificate(sources(results, 1));
    // Colour-space mode off: five presets, 11000 K included.
    ASSERT_EQ(c.whitePoints.size(), 5u);
    EXPECT_EQ(c.whitePoints[0].preset, "3200K");
    EXPECT_EQ(c.whitePoints[4].preset, "11000K");
    for (const WhitePointRow& w : c.whitePoints) {
        ASSERT_TRUE(w.measured);
        // The sample puts every white 0.001 off in x and y.
        EXPECT_TRUE(Near(w.deltaUv, std::hypot(w.u - w.targetU, w.v - w.targetV), 1e-12));
        EXPECT_GT(w.deltaUv, 0.0005);
        EXPECT_LT(w.deltaUv, 0.003);
    }
    // Position 2 is the left top, position 6 the right bottom; the centre is 100 %.
    EXPECT_STREQ(c.uniformity[2].name, "Left Top");
    EXPECT_EQ(c.uniformity[2].row, 0);
    EXPECT_EQ(c.uniformity[2].col, 0);
    EXPECT_EQ(c.uniformity[6].row, 2);
    EXPECT_EQ(c.uniformity[6].col, 2);
    EXPECT_TRUE(Near(c.uniformity[0].percentOfCentre, 100.0, 1e-12));
    EXPECT_TRUE(Near(c.uniformity[6].percentOfCentre, 91.5, 1e-9));
    EXPECT_GT(c.uniformityPercent, 0.0);
    // Native has no target triangle; its measured one is there.
    ASSERT_EQ(c.diagram.gamuts.size(), 1u);
    EXPECT_FALSE(c.diagram.gamuts[0].hasTarget);
    EXPECT_TRUE(c.diagram.gamuts[0].hasMeasured);
    EXPECT_EQ(c.diagram.kind, kChartUv);
    EXPECT_EQ(c.gamma.kind, kChartRelativeLuminance);
    EXPECT_EQ(c.gamma.series.gamma.size(), 11u);
    EXPECT_TRUE(Near(c.gamma.targetGamma, 2.2, 0.0));
    EXPECT_TRUE(Near(c.gammaValue, results.spaces[0].gammaValue, 0.0));
}

TEST(CertificateText, TheVersionTextSplitsIntoModelAndFirmware) {
    const std::pair<const char*, ModelAndFirmware> cases[] = {
        {"TXM-600-HD-S V1.02", {"TXM-600-HD-S", "V1.02"}},
        {"  TXM-300   v2.10 ", {"TXM-300", "v2.10"}},
        {"TXM-300", {"TXM-300", "TXM-300"}},
        {"TXM-300 Version", {"TXM-300 Version", "TXM-300 Version"}},
        {"V1.0", {"V1.0", "V1.0"}},
        {"", {"", ""}},
    };
    for (const auto& [text, expected] : cases) {
        const ModelAndFirmware got = SplitVersionText(text);
        EXPECT_EQ(got.model, expected.model) << text;
        EXPECT_EQ(got.firmware, expected.firmware) << text;
    }
}

TEST(CertificateText, TheStationIsNamedByItsSettingOrElseItsHost) {
    EXPECT_EQ(CertificateStationName("Bay 3"), "Bay 3");
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(CertificateStationName(""), host);
}

}  // namespace
}  // namespace halvo

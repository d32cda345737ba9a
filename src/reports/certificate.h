#pragma once

// The calibration certificate that leaves the factory with the monitor: who, what and when; the
// overall verdict; the diagram of every verified colour space's gamut and white; the gamma curve
// against its target; the white points; the uniformity map; the CIEDE2000 figures; and every
// judged item with its limit, beside the same item before the calibration when there was one.
// This is the certificate as data; a CertificateWriter lays it out on paper.

#include <array>
#include <string>
#include <vector>

#include "reports/chart_model.h"
#include "reports/report_book.h"
#include "reports/verdict_comparison.h"
#include "reports/verified_patches.h"

namespace halvo {

struct CertificateItem {
    std::string test;
    std::string item;
    std::string quantity;
    std::string criterion;
    std::string value;  // trimmed; "" when not measured
    Verdict verdict = Verdict::NotMeasured;
    bool inBefore = false;
    std::string before;
    Verdict beforeVerdict = Verdict::NotMeasured;
};

struct WhitePointRow {
    std::string preset;  // "3200K" ...
    double targetU = 0.0;
    double targetV = 0.0;
    bool measured = false;
    double u = 0.0;
    double v = 0.0;
    double deltaUv = 0.0;  // distance in the u'v' diagram
    int cct = 0;
    double lv = 0.0;
};

struct UniformityPlace {
    const char* name = "";
    int row = 0;  // 0 top .. 2 bottom
    int col = 0;  // 0 left .. 2 right
    bool measured = false;
    double lv = 0.0;
    double percentOfCentre = 0.0;
};

enum class CertificateVerdict { Pass, Fail, NotVerified };

struct Certificate {
    // Who and what.
    std::string model;
    std::string firmware;
    std::string serialNumber;
    std::string calibrationId;
    std::string date;
    std::string stationName;
    std::string testedBy;
    std::string instrument;
    std::string instrumentSerial;  // "" when the instrument does not tell
    std::string matrix;            // "" when it has none to choose
    std::string software;          // "Halvo V1.0"

    CertificateVerdict verdict = CertificateVerdict::NotVerified;
    int measuredItems = 0;
    int outOfRange = 0;
    bool hasBefore = false;
    int measuredBefore = 0;
    int outOfRangeBefore = 0;
    std::vector<CertificateItem> items;

    std::vector<WhitePointRow> whitePoints;
    std::array<UniformityPlace, 9> uniformity{};
    double uniformityPercent = kNotMeasured;
    std::vector<ColorSpacePatches> patches;

    ChartScene diagram;  // u'v' with every verified colour space
    ChartScene gamma;    // Y/Ymax with the target curve
    int gammaSpace = 0;
    double gammaValue = kNotMeasured;
    double gammaTarget = 2.2;

    // "PASS", "FAIL", "NOT VERIFIED".
    const char* verdictText() const;
    // "All 38 measured items within their limits." / "3 of 38 measured items out of range."
    std::string verdictDetail() const;
};

struct CertificateSources {
    ReportInputs report;  // results, colour spaces, header texts, targets
    std::string firmware;
    std::string serialNumber;
    std::string stationName;
    std::string instrumentSerial;
    std::string matrix;
    // The verification before the calibration that preceded this one, or null.
    const MeasurementResults* before = nullptr;
    uint8_t beforeMask = 1;
    bool beforeColorSpaceMode = false;
};

Certificate BuildCertificate(const CertificateSources& sources);

// What lays the certificate out as a document. The window's toolkit implements it; the core
// writes no PDF itself.
class CertificateWriter {
public:
    virtual ~CertificateWriter() = default;
    // Writes the certificate at path as PDF. False with *error set; nothing is left behind then.
    virtual bool writePdf(const Certificate& certificate, const std::string& path, std::string* error) = 0;
};

// The monitor's version text split into the model and the firmware version: "TXM-600-HD-S V1.02"
// gives "TXM-600-HD-S" and "V1.02". A text without a trailing version word is all model, with
// the whole text as the firmware too, since the monitor told nothing finer.
struct ModelAndFirmware {
    std::string model;
    std::string firmware;
};
ModelAndFirmware SplitVersionText(const std::string& versionText);

// The station name a certificate carries: the station's own setting when it has one, else the
// computer's host name.
std::string CertificateStationName(const std::string& stationSetting);

}  // namespace halvo

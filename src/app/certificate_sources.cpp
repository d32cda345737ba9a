// What the certificate is made of: the report's sources, the identification's firmware text,
// the station's name, the instrument's matrix, and the verification a calibration started from.

#include "app/halvo_dlg.h"

namespace halvo {

namespace {

bool AnyMeasured(const MeasurementResults& results) {
    for (const ColorSpaceResults& s : results.spaces) {
        for (const auto* readings : {&s.colors, &s.temperatures}) {
            for (const ColorReading& r : *readings) {
                if (Measured(r.lv)) {
                    return true;
                }
            }
        }
        for (const ColorReading& r : s.gamma) {
            if (Measured(r.lv)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

void CHalvoDlg::noteCalibrationStarted() {
    // Only a verification of the monitor now connected says what the calibration started from.
    if (!AnyMeasured(measurementResults) || resultsMonitorId_ != calibrationId) {
        beforeCalibration_.reset();
        return;
    }
    beforeCalibration_ = EarlierVerification{measurementResults, measure_.colorSpaceMode() ? measure_.colorSpaceMask()
                                                                                           : uint8_t{1},
                                             measure_.colorSpaceMode(), calibrationId, false};
}

CertificateSources CHalvoDlg::certificateSources() {
    const ReportSources report = reportSources();
    CertificateSources s;
    s.report = report.header;
    s.report.results = &measurementResults;
    s.report.colorSpaceMode = measure_.colorSpaceMode();
    s.report.colorSpaceMask = measure_.colorSpaceMode() ? measure_.colorSpaceMask() : 1;
    s.report.alternateWhites = measure_.alternateWhites;
    const ModelAndFirmware version = SplitVersionText(identity().versionText);
    s.report.model = version.model.empty() ? window_.monitorName : version.model;
    s.firmware = version.firmware;
    s.serialNumber = setup_.serialNumber.text;
    s.stationName = CertificateStationName(stationName);
    s.instrumentSerial = instrumentSerial();
    // The chosen matrix or calibration of the instruments that have one to choose.
    const int kind = setup_.instrumentKind();
    const ListControl& cal = setup_.calFile;
    if ((kind == static_cast<int>(InstrumentKind::K10) || kind == static_cast<int>(InstrumentKind::Spyder4)) &&
        cal.selected >= 0 && static_cast<size_t>(cal.selected) < cal.items.size()) {
        s.matrix = cal.items[static_cast<size_t>(cal.selected)];
    }
    if (beforeCalibration_ && beforeCalibration_->calibratedSince && beforeCalibration_->monitorId == calibrationId &&
        resultsMonitorId_ == calibrationId) {
        s.before = &beforeCalibration_->results;
        s.beforeMask = beforeCalibration_->mask;
        s.beforeColorSpaceMode = beforeCalibration_->colorSpaceMode;
    }
    return s;
}

}  // namespace halvo

// The calibration procedures in the controller: their context, their slots in the task table,
// and what only the controller does for them.

#include "app/halvo_dlg.h"

namespace halvo {

void CHalvoDlg::wireCalibration() {
    CalibrationContext context{scheduler_,
                               log_,
                               task_,
                               sender_,
                               ui_,
                               *this,
                               calib_,
                               whiteTargets,
                               currentReading,
                               [this]() -> const MonitorIdentity& { return identification_.identity(); },
                               [this] { return setup_.measurementDelayMs(); },
                               [this] {
                                   return CalibrationContext::AgingSettings{setup_.agingTimeMinutes(),
                                                                            setup_.measurePeriodMinutes(),
                                                                            setup_.startCalibrationAfterAging.checked};
                               },
                               agingLines,
                               settling_};
    engine_ = std::make_unique<CalibrationEngine>(context);
    steps_.gamma = [this] { engine_->gamma().gammaStep(); };
    steps_.gammaUpload = [this] { engine_->gamma().gammaUploadStep(); };
    steps_.panelGamma = [this] { engine_->gamma().panelGammaStep(); };
    steps_.whitePoint = [this] { engine_->whitePoint().whitePointStep(); };
    steps_.whitePointReadBack = [this] { engine_->whitePoint().gainReadBackStep(); };
    steps_.adc = [this] { engine_->analogueInputs().adcStep(); };
    steps_.inputSource = [this] { engine_->analogueInputs().inputSourceStep(); };
    steps_.aging = [this] { engine_->aging().agingStep(); };
    steps_.uniformity = [this] { engine_->uniformity().uniformityStep(); };
    engine_->uniformity().automaticMode = [this] { return measure_.autoJigChecked; };
    engine_->uniformity().markerMoved = [this](int position) { window_.probePosition = position + 1; };
    steps_.colourSpace = [this] { engine_->colourSpace().colourSpaceStep(); };
    steps_.colourSpaceUpload = [this] { engine_->colourSpace().colourSpaceUploadStep(); };
    steps_.sequence = [this] { engine_->upload().step(); };
    steps_.sequenceStart = [this] { engine_->upload().start(); };
    steps_.sequenceAbort = [this] { engine_->upload().abort(); };
}

void CHalvoDlg::agingProgress(int maximum, int position) {
    setup_.agingProgress = {0, maximum, position};
    if (position % 60 == 0) {
        ui_.refresh();
    }
}

void CHalvoDlg::agingEnded() {
    if (run_.kind == results::RunKind::Aging) {
        runEnded(results::RunOutcome::Completed);
    }
    setup_.setAgingRunning(false);
    ui_.refresh();
}

void CHalvoDlg::showCalibrationTab() {
    window_.selectedTab = kTabCalibration;
    ui_.refresh();
}

void CHalvoDlg::clearRunDisplays() {
    window_.readingValues = {"x", "y", "u'", "v'", "Lv", "T", "\u0394uv"};
    ui_.refresh();
}

}  // namespace halvo

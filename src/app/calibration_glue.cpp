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
                               [this] { return setup_.measurementDelayMs(); }};
    engine_ = std::make_unique<CalibrationEngine>(context);
    steps_.gamma = [this] { engine_->gamma().gammaStep(); };
    steps_.gammaUpload = [this] { engine_->gamma().gammaUploadStep(); };
    steps_.panelGamma = [this] { engine_->gamma().panelGammaStep(); };
    steps_.whitePoint = [this] { engine_->whitePoint().whitePointStep(); };
    steps_.whitePointReadBack = [this] { engine_->whitePoint().gainReadBackStep(); };
    steps_.colourSpace = [this] { engine_->colourSpace().colourSpaceStep(); };
    steps_.colourSpaceUpload = [this] { engine_->colourSpace().colourSpaceUploadStep(); };
}

void CHalvoDlg::clearRunDisplays() {
    window_.readingValues = {"x", "y", "u'", "v'", "Lv", "T", "\u0394uv"};
    ui_.refresh();
}

}  // namespace halvo

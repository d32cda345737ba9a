// Showing the Calibration page model. Every control is usable only while the page as a whole
// is (connected, no run or other work in progress) and its own flag allows it; the start button
// follows its own flag alone, so it stays usable as "Stop" during a run.

#include <QSignalBlocker>

#include "gui/calib_page_view.h"
#include "gui/table_binding.h"
#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

template <typename Control>
Control Gated(Control control, bool pageEnabled) {
    control.enabled = control.enabled && pageEnabled;
    return control;
}

void ShowRadio(QAbstractButton* radio, bool chosen, bool enabled) {
    if (radio->isChecked() != chosen) {
        // Radios of one group: the group only lets go of the old choice when the new one is
        // made, so a choice is shown by checking, never by unchecking.
        const QSignalBlocker block(radio);
        if (chosen) {
            radio->setChecked(true);
        }
    }
    ShowEnabled(radio, enabled);
}

void ShowLabel(QLabel* label, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (label->text() != wanted) {
        label->setText(wanted);
    }
}

}  // namespace

void CalibPageView::refresh() {
    const Ccalib& m = calib_;
    const bool on = m.controlsEnabled;

    ShowCheck(uniformity_, Gated(m.uniformityCheck, on));
    ShowTable(uniformityList_, m.uniformityList, false, m.uniformityList.enabled && on);

    ShowRadio(tenBit_, m.tenBit, on);
    ShowRadio(eightBit_, !m.tenBit, on);

    ShowCheck(gamma_, Gated(m.gammaCheck, on));
    ShowRadio(gamma22_, !m.gamma235(), on);
    ShowRadio(gamma235_, m.gamma235(), on);
    ShowList(gammaStep_, Gated(m.gammaStep, on));
    ShowText(measuredGamma_, Gated(m.gammaField, on));
    ShowText(temperature_, Gated(m.temperatureField, on));

    for (size_t i = 0; i < sources_.size(); ++i) {
        ShowRadio(sources_[i], m.source == static_cast<int>(i), on);
    }
    ShowSpin(backlight_, TextControl{m.backlightText, on}, SpinControl{0, 100, m.backlight, on});

    ShowCheck(colorSpace_, Gated(m.colorSpaceCheck, on));
    ShowList(colorSpaceList_, Gated(m.colorSpaceList, on));
    ShowCheck(level_, Gated(m.levelCheck, on));
    ShowList(levelList_, Gated(m.levelList, on));
    ShowCheck(colorPriority_, Gated(m.colorPriority, on));
    ShowCaption(colorPriority_, m.colorPriorityText);
    for (size_t i = 0; i < targetBoxes_.size(); ++i) {
        ShowCheck(targetBoxes_[i], Gated(m.targetBoxes[i], on));
    }
    ShowButton(colorSpaceClear_, Gated(m.colorSpaceClearButton, on));
    ShowTable(colorTargetList_, m.colorTargetList, false, m.colorTargetList.enabled && on);

    ShowTable(whiteList_, m.whiteList, true, m.whiteList.enabled && on);
    for (size_t c = 0; c < gains_.size(); ++c) {
        ShowSpin(gains_[c], Gated(m.gainFields[c], on), m.gainSpins[c]);
    }
    for (QPushButton* button : {whiteLoad_, whiteSave_, whiteClear_, saveTarget_, loadTarget_, loadData_, saveData_,
                                copyData_}) {
        ShowEnabled(button, on);
    }

    ShowProgress(progress_, ProgressControl{0, m.progressMaximum, m.progressPosition});
    ShowLabel(status_, m.statusText);
    ShowCaption(autoCalibration_, m.startButtonText);
    ShowCheck(autoCalibration_, CheckControl{m.startButtonChecked, m.startButtonEnabled});
    ShowCheck(fastCalibration_, Gated(m.fastCalibration, m.controlsEnabled));
}

}  // namespace halvo::gui

// What the Calibration page's widgets do: each operator action goes to the page model, which
// changes the page, asks for a file or posts its event to the controller; then the page shows
// the model again.

#include "gui/calib_page_view.h"
#include "gui/table_binding.h"

namespace halvo::gui {

void CalibPageView::wireOptions() {
    QObject::connect(uniformity_, &QCheckBox::clicked, this, [this](bool checked) {
        calib_.onUniformityToggled(checked);
        changed();
    });
    QObject::connect(bitDepth_, &QButtonGroup::idClicked, this, [this](int id) {
        calib_.onBitDepthChosen(id == 1);
        changed();
    });
    QObject::connect(fastCalibration_, &QCheckBox::clicked, this, [this](bool checked) {
        calib_.onFastCalibrationToggled(checked);
        changed();
    });
    QObject::connect(gamma_, &QCheckBox::clicked, this, [this](bool checked) {
        calib_.onGammaToggled(checked);
        changed();
    });
    QObject::connect(targetGamma_, &QButtonGroup::idClicked, this, [this](int id) {
        calib_.onTargetGammaChosen(id == 1);
        changed();
    });
    QObject::connect(gammaStep_, &QComboBox::activated, this, [this](int index) {
        calib_.onGammaStepChosen(index);
        changed();
    });
    QObject::connect(source_, &QButtonGroup::idClicked, this, [this](int id) {
        calib_.onSourceChosen(id);
        changed();
    });
    // The field's text is the truth until it is confirmed (a copy reads it as it stands).
    backlight_->onEdited = [this](const std::string& text) { calib_.backlightText = text; };
    backlight_->onCommit = [this](const std::string& text) {
        calib_.onBacklightEnter(text);
        changed();
    };
    backlight_->onStep = [this](int steps) {
        calib_.onBacklightSpin(steps);
        changed();
    };
}

void CalibPageView::wireColorSpace() {
    QObject::connect(colorSpace_, &QCheckBox::clicked, this, [this](bool checked) {
        calib_.onColorSpaceToggled(checked);
        changed();
    });
    QObject::connect(colorSpaceList_, &QComboBox::activated, this, [this](int index) {
        calib_.onColorSpaceSelected(index);
        changed();
    });
    QObject::connect(level_, &QCheckBox::clicked, this, [this](bool checked) {
        calib_.onLevelToggled(checked);
        changed();
    });
    QObject::connect(levelList_, &QComboBox::activated, this, [this](int index) {
        calib_.onLevelSelected(index);
        changed();
    });
    QObject::connect(colorPriority_, &QPushButton::clicked, this, [this](bool pressed) {
        calib_.onColorPriorityToggled(pressed);
        changed();
    });
    for (size_t i = 0; i < targetBoxes_.size(); ++i) {
        QObject::connect(targetBoxes_[i], &QCheckBox::clicked, this, [this, i](bool checked) {
            calib_.onTargetBoxToggled(static_cast<int>(i), checked);
            changed();
        });
    }
    QObject::connect(colorSpaceClear_, &QPushButton::clicked, this, [this] {
        calib_.onColorSpaceClear();
        changed();
    });
}

void CalibPageView::wireWhiteBalance() {
    QObject::connect(whiteList_, &QTableWidget::itemSelectionChanged, this, [this] {
        calib_.onWhiteRowSelected(SelectedRow(whiteList_));
        changed();
    });
    QObject::connect(whiteList_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // Only the check marks can change in the list's hands; its texts are the model's.
        if (item->column() != 0 || !calib_.whiteList.hasIndex(item->row())) {
            return;
        }
        const bool checked = item->checkState() == Qt::Checked;
        if (calib_.whiteList.rows[static_cast<size_t>(item->row())].checked != checked) {
            calib_.onWhiteRowChecked(item->row(), checked);
            changed();
        }
    });
    for (size_t c = 0; c < gains_.size(); ++c) {
        const int channel = static_cast<int>(c);
        gains_[c]->onEdited = [this, c](const std::string& text) { calib_.gainFields[c].text = text; };
        gains_[c]->onCommit = [this, channel](const std::string& text) {
            calib_.onGainEnter(channel, text);
            changed();
        };
        gains_[c]->onStep = [this, channel](int steps) {
            calib_.onGainSpin(channel, steps);
            changed();
        };
    }
    const auto onClicked = [this](QPushButton* button, void (Ccalib::*action)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, action] {
            (calib_.*action)();
            changed();
        });
    };
    onClicked(whiteLoad_, &Ccalib::onWhiteBalanceLoad);
    onClicked(whiteSave_, &Ccalib::onWhiteBalanceSave);
    onClicked(whiteClear_, &Ccalib::onWhiteBalanceClear);
}

void CalibPageView::wireBottomRow() {
    const auto onClicked = [this](QPushButton* button, void (Ccalib::*action)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, action] {
            (calib_.*action)();
            changed();
        });
    };
    onClicked(saveTarget_, &Ccalib::saveTargets);
    onClicked(loadTarget_, &Ccalib::loadTargets);
    onClicked(loadData_, &Ccalib::onLoad);
    onClicked(saveData_, &Ccalib::onSave);
    onClicked(copyData_, &Ccalib::copyToMonitor);
    onClicked(autoCalibration_, &Ccalib::onAutoCalibration);
}

}  // namespace halvo::gui

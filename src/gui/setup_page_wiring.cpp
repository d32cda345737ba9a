// What the Setup page's widgets do: each operator action goes to the page model, which stores
// it, writes Config.ini or posts the operator command; then the page shows the model again.

#include "gui/setup_page_view.h"

namespace halvo::gui {

namespace {

// Lists whose choice is only stored: the model keeps the selection, Config.ini the setting.
void SelectAndStore(Setup& setup, ListControl& list, int index, bool store) {
    if (list.hasIndex(index)) {
        list.selected = index;
        if (store) {
            setup.onOptionChanged();
        }
    }
}

}  // namespace

void SetupPageView::wireLists() {
    const auto onActivated = [this](QComboBox* box, auto action) {
        QObject::connect(box, &QComboBox::activated, this, [this, action](int index) {
            action(index);
            changed();
        });
    };
    onActivated(monitorPort_, [this](int i) { setup_.onMonitorPortChanged(i); });
    onActivated(instrument_, [this](int i) { setup_.onInstrumentChanged(i); });
    onActivated(instrumentPort_, [this](int i) { SelectAndStore(setup_, setup_.instrumentPort, i, true); });
    onActivated(baudRate_, [this](int i) { SelectAndStore(setup_, setup_.baudRate, i, true); });
    onActivated(dataBits_, [this](int i) { SelectAndStore(setup_, setup_.dataBits, i, true); });
    onActivated(parity_, [this](int i) { SelectAndStore(setup_, setup_.parity, i, true); });
    onActivated(stopBits_, [this](int i) { SelectAndStore(setup_, setup_.stopBits, i, true); });
    onActivated(calFile_, [this](int i) { setup_.onCalFileChanged(i); });
    onActivated(pelkoDevices_, [this](int i) { SelectAndStore(setup_, setup_.pelkoDevices, i, false); });
    onActivated(measurementSpeed_, [this](int i) { SelectAndStore(setup_, setup_.measurementSpeed, i, false); });
    onActivated(pattern_, [this](int i) { setup_.onPatternChanged(i); });
    onActivated(colorSpaceStep_, [this](int i) { setup_.onColorSpaceStepChanged(i); });
}

void SetupPageView::wireFields() {
    // Text fields keep the model's text in step with every keystroke, so that a refresh in the
    // middle of typing finds nothing to change; the settings are stored once editing ends.
    const auto text = [this](QLineEdit* field, TextControl& control, bool stored) {
        QObject::connect(field, &QLineEdit::textEdited, this,
                         [&control](const QString& t) { control.text = t.toStdString(); });
        if (stored) {
            QObject::connect(field, &QLineEdit::editingFinished, this, [this] { setup_.onOptionChanged(); });
        }
    };
    text(measurementDuration_, setup_.measurementDuration, false);
    text(agingTime_, setup_.agingTime, true);
    text(measurePeriod_, setup_.measurePeriod, true);
    text(deviationX_, setup_.deviationX, true);
    text(deviationY_, setup_.deviationY, true);
    text(deviationLv_, setup_.deviationLv, true);
    text(serialNumber_, setup_.serialNumber, false);
    text(testedBy_, setup_.testedBy, false);

    for (size_t c = 0; c < levels_.size(); ++c) {
        const int channel = static_cast<int>(c);
        levels_[c]->onEdited = [this, c](const std::string& t) { setup_.levelFields[c].text = t; };
        levels_[c]->onCommit = [this, channel](const std::string& t) {
            setup_.onLevelEnter(channel, t);
            changed();
        };
        levels_[c]->onStep = [this, channel](int steps) {
            setup_.onLevelSpin(channel, steps);
            changed();
        };
    }
    const auto option = [this](int which, TextControl& field) {
        SpinField* spin = options_[static_cast<size_t>(which)];
        spin->onEdited = [&field](const std::string& t) { field.text = t; };
        spin->onCommit = [this, which](const std::string& t) {
            setup_.onCalibrationOptionEnter(which, t);
            changed();
        };
        spin->onStep = [this, which](int steps) {
            setup_.onCalibrationOptionSpin(which, steps);
            changed();
        };
    };
    option(Setup::kMeasurementWait, setup_.measurementWait);
    option(Setup::kMeasurementDelay, setup_.measurementDelay);
    option(Setup::kWhitePriorityLevel, setup_.whitePriorityLevel);

    const auto check = [this](QCheckBox* box, CheckControl& control) {
        QObject::connect(box, &QCheckBox::clicked, this, [this, &control](bool checked) {
            control.checked = checked;
            setup_.onOptionChanged();
            changed();
        });
    };
    check(startCalibrationAfterAging_, setup_.startCalibrationAfterAging);
    check(measurementAfterCalibration_, setup_.measurementAfterCalibration);
    check(audioAlarm_, setup_.audioAlarm);
    QObject::connect(gammaColorFunctionDisable_, &QCheckBox::clicked, this, [this](bool checked) {
        setup_.onGammaColorFunctionDisableToggled(checked);
        changed();
    });
}

void SetupPageView::wireButtons() {
    const auto onClicked = [this](QPushButton* button, void (Setup::*action)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, action] {
            (setup_.*action)();
            changed();
        });
    };
    onClicked(search_, &Setup::onSearch);
    onClicked(drawPattern_, &Setup::onDrawPattern);
    onClicked(exitPattern_, &Setup::onExitPattern);
    onClicked(agingStart_, &Setup::onAgingStart);
    onClicked(agingSave_, &Setup::onAgingSave);
    onClicked(readEeprom_, &Setup::onReadEeprom);
    onClicked(writeEeprom_, &Setup::onWriteEeprom);
}

}  // namespace halvo::gui

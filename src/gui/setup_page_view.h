#pragma once

// The "Setup" page: a view over the Setup page model. Every widget shows one control of the
// model; every operator action goes to the model's matching on...() call, which stores the
// setting, writes Config.ini or posts the operator command.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <array>

#include "gui/spin_field.h"
#include "gui/station_page.h"
#include "setup/setup_page.h"

namespace halvo::gui {

class SetupPageView : public StationPage {
public:
    SetupPageView(Setup& setup, QWidget* parent = nullptr);
    void refresh() override;

private:
    QWidget* buildConnectionColumn();
    QWidget* buildPatternColumn();
    QWidget* buildOptionsColumn();
    void wireLists();
    void wireFields();
    void wireButtons();
    // The model changed in answer to the operator: show it.
    void changed() { refresh(); }

    Setup& setup_;
    QWidget* content_ = nullptr;

    QComboBox* monitorPort_ = nullptr;
    QComboBox* instrument_ = nullptr;
    QComboBox* instrumentPort_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* calFile_ = nullptr;
    QComboBox* pelkoDevices_ = nullptr;
    QPushButton* search_ = nullptr;
    QComboBox* measurementSpeed_ = nullptr;
    QLineEdit* measurementDuration_ = nullptr;

    QComboBox* pattern_ = nullptr;
    QPushButton* drawPattern_ = nullptr;
    QPushButton* exitPattern_ = nullptr;
    std::array<SpinField*, 3> levels_{};

    QLineEdit* agingTime_ = nullptr;
    QLineEdit* measurePeriod_ = nullptr;
    QCheckBox* startCalibrationAfterAging_ = nullptr;
    QPushButton* agingStart_ = nullptr;
    QPushButton* agingSave_ = nullptr;

    QLineEdit* deviationX_ = nullptr;
    QLineEdit* deviationY_ = nullptr;
    QLineEdit* deviationLv_ = nullptr;

    QProgressBar* colorDataCopy_ = nullptr;
    QProgressBar* agingProgress_ = nullptr;
    QPushButton* readEeprom_ = nullptr;
    QPushButton* writeEeprom_ = nullptr;

    std::array<SpinField*, 3> options_{};  // indexed by Setup::CalibrationOption
    QComboBox* colorSpaceStep_ = nullptr;
    QCheckBox* measurementAfterCalibration_ = nullptr;

    QCheckBox* audioAlarm_ = nullptr;
    QCheckBox* gammaColorFunctionDisable_ = nullptr;

    QLineEdit* serialNumber_ = nullptr;
    QLineEdit* testedBy_ = nullptr;
};

}  // namespace halvo::gui

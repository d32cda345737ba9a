#pragma once

// The "Calibration" page: a view over the calibration page model (Ccalib). Every widget shows
// one control of the model; every operator action goes to the model's matching on...() call,
// which changes the page, opens the file dialogs or posts the event to the controller. During a
// run the page shows the model as the procedures update it: progress, status, the measured
// gamma and T(K), the gains and the measured columns of both lists.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <array>

#include "caldata/calib_page.h"
#include "gui/spin_field.h"
#include "gui/station_page.h"

namespace halvo::gui {

class CalibPageView : public StationPage {
public:
    CalibPageView(Ccalib& calib, QWidget* parent = nullptr);
    void refresh() override;

private:
    QWidget* buildOptionsColumn();
    QWidget* buildWhiteBalance(QWidget* parent);
    QWidget* buildColorSpace(QWidget* parent);
    QWidget* buildTargetColor(QWidget* parent);
    QWidget* buildBitDepth(QWidget* parent);
    QWidget* buildSource(QWidget* parent);
    QWidget* buildUniformityAndSource(QWidget* parent);
    QWidget* buildRunAndFiles(QWidget* parent);
    void wireOptions();
    void wireColorSpace();
    void wireWhiteBalance();
    void wireBottomRow();
    // The model changed in answer to the operator: show it.
    void changed() { refresh(); }

    Ccalib& calib_;
    QWidget* content_ = nullptr;

    // "Uniformity"
    QCheckBox* uniformity_ = nullptr;
    QTableWidget* uniformityList_ = nullptr;

    // Bit depth
    QButtonGroup* bitDepth_ = nullptr;
    QRadioButton* tenBit_ = nullptr;
    QRadioButton* eightBit_ = nullptr;

    // "Target color"
    QCheckBox* gamma_ = nullptr;
    QButtonGroup* targetGamma_ = nullptr;
    QRadioButton* gamma22_ = nullptr;
    QRadioButton* gamma235_ = nullptr;
    QComboBox* gammaStep_ = nullptr;
    QLineEdit* measuredGamma_ = nullptr;
    QLineEdit* temperature_ = nullptr;

    // "Monitor source/Backlight"
    QButtonGroup* source_ = nullptr;
    std::array<QRadioButton*, 3> sources_{};
    SpinField* backlight_ = nullptr;

    // "Color Space"
    QCheckBox* colorSpace_ = nullptr;
    QComboBox* colorSpaceList_ = nullptr;
    QCheckBox* level_ = nullptr;
    QComboBox* levelList_ = nullptr;
    QPushButton* colorPriority_ = nullptr;
    std::array<QCheckBox*, kColorSpaceCount> targetBoxes_{};
    QPushButton* colorSpaceClear_ = nullptr;
    QTableWidget* colorTargetList_ = nullptr;

    // "White Balance/Color Temperature"
    QTableWidget* whiteList_ = nullptr;
    std::array<SpinField*, 3> gains_{};
    QPushButton* whiteLoad_ = nullptr;
    QPushButton* whiteSave_ = nullptr;
    QPushButton* whiteClear_ = nullptr;

    // Files and the run
    QPushButton* saveTarget_ = nullptr;
    QPushButton* loadTarget_ = nullptr;
    QPushButton* loadData_ = nullptr;
    QPushButton* saveData_ = nullptr;
    QPushButton* copyData_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* autoCalibration_ = nullptr;
    QCheckBox* fastCalibration_ = nullptr;
};

}  // namespace halvo::gui

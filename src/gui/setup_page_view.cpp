// The Setup page's layout: three columns of groups, the connection on the left, the monitor's
// patterns and the aging in the middle, the copy, run options and report fields on the right.

#include "gui/setup_page_view.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

QComboBox* List(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(10);
    return box;
}

QLineEdit* Field(const char* name, QWidget* parent, int maxLength = 8) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMaxLength(maxLength);
    field->setAlignment(Qt::AlignRight);
    return field;
}

SpinField* Spin(const char* name, QWidget* parent) {
    auto* field = new SpinField(parent);
    field->setObjectName(name);
    field->setMinimumWidth(72);
    return field;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// A field followed by its unit.
QWidget* WithUnit(QWidget* field, const char* unit, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field, 1);
    layout->addWidget(new QLabel(unit, row));
    return row;
}

QWidget* ButtonRow(std::initializer_list<QWidget*> buttons, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* b : buttons) {
        layout->addWidget(b);
    }
    return row;
}

QGroupBox* Group(const char* title, QLayout* content, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setLayout(content);
    return group;
}

QFormLayout* Form() {
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setVerticalSpacing(5);
    return form;
}

QVBoxLayout* Column(QWidget* column) {
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

}  // namespace

SetupPageView::SetupPageView(Setup& setup, QWidget* parent) : StationPage(parent), setup_(setup) {
    setObjectName("setupPage");
    // The whole page shows at 1280 x 800; a smaller window scrolls it rather than cutting it off.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    content_ = new QWidget(scroll);
    auto* layout = new QHBoxLayout(content_);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(10);
    layout->addWidget(buildConnectionColumn(), 10);
    layout->addWidget(buildPatternColumn(), 9);
    layout->addWidget(buildOptionsColumn(), 11);
    scroll->setWidget(content_);
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(scroll);
    wireLists();
    wireFields();
    wireButtons();
    refresh();
}

QWidget* SetupPageView::buildConnectionColumn() {
    auto* column = new QWidget(content_);
    QVBoxLayout* layout = Column(column);

    QFormLayout* monitor = Form();
    monitorPort_ = List("monitorPort", column);
    monitor->addRow("COM Port", monitorPort_);
    layout->addWidget(Group("Monitor", monitor, column));

    QFormLayout* colorimeter = Form();
    instrument_ = List("instrument", column);
    instrumentPort_ = List("instrumentPort", column);
    baudRate_ = List("baudRate", column);
    dataBits_ = List("dataBits", column);
    parity_ = List("parity", column);
    stopBits_ = List("stopBits", column);
    calFile_ = List("calFile", column);
    pelkoDevices_ = List("pelkoDevices", column);
    search_ = Button("Search", "search", column);
    measurementSpeed_ = List("measurementSpeed", column);
    measurementDuration_ = Field("measurementDuration", column);
    colorimeter->addRow("Colorimeter", instrument_);
    colorimeter->addRow("COM port", instrumentPort_);
    colorimeter->addRow("Baud rate", baudRate_);
    colorimeter->addRow("Data bits", dataBits_);
    colorimeter->addRow("Parity", parity_);
    colorimeter->addRow("Stop bits", stopBits_);
    colorimeter->addRow("Cal File", calFile_);
    auto* pelkoRow = new QWidget(column);
    auto* pelkoLayout = new QHBoxLayout(pelkoRow);
    pelkoLayout->setContentsMargins(0, 0, 0, 0);
    pelkoLayout->addWidget(pelkoDevices_, 1);
    pelkoLayout->addWidget(search_);
    colorimeter->addRow("PELKA", pelkoRow);
    colorimeter->addRow("Measurement speed", measurementSpeed_);
    colorimeter->addRow("Measurement Duration", WithUnit(measurementDuration_, "Sec", column));
    layout->addWidget(Group("Colorimeter", colorimeter, column));
    layout->addStretch(1);
    return column;
}

QWidget* SetupPageView::buildPatternColumn() {
    auto* column = new QWidget(content_);
    QVBoxLayout* layout = Column(column);

    QFormLayout* internal = Form();
    pattern_ = List("pattern", column);
    drawPattern_ = Button("Draw Pattern", "drawPattern", column);
    exitPattern_ = Button("Exit Pattern", "exitPattern", column);
    internal->addRow("Pattern", pattern_);
    internal->addRow(ButtonRow({drawPattern_, exitPattern_}, column));
    layout->addWidget(Group("Internal Pattern", internal, column));

    QFormLayout* full = Form();
    const char* names[3] = {"levelRed", "levelGreen", "levelBlue"};
    const char* labels[3] = {"Red", "Green", "Blue"};
    for (size_t c = 0; c < levels_.size(); ++c) {
        levels_[c] = Spin(names[c], column);
        full->addRow(labels[c], levels_[c]);
    }
    layout->addWidget(Group("Full Color", full, column));

    QFormLayout* aging = Form();
    agingTime_ = Field("agingTime", column);
    measurePeriod_ = Field("measurePeriod", column);
    startCalibrationAfterAging_ = new QCheckBox("Start calibration after aging", column);
    startCalibrationAfterAging_->setObjectName("startCalibrationAfterAging");
    agingStart_ = Button("Start", "agingStart", column);
    agingSave_ = Button("Save to file", "agingSave", column);
    aging->addRow("Aging Time:", WithUnit(agingTime_, "min", column));
    aging->addRow("Measure Period:", WithUnit(measurePeriod_, "min", column));
    aging->addRow(startCalibrationAfterAging_);
    agingProgress_ = new QProgressBar(column);
    agingProgress_->setObjectName("agingProgress");
    agingProgress_->setTextVisible(false);
    aging->addRow(agingProgress_);
    aging->addRow(ButtonRow({agingStart_, agingSave_}, column));
    layout->addWidget(Group("Panel Aging", aging, column));

    auto* deviation = new QHBoxLayout;
    deviationX_ = Field("deviationX", column);
    deviationY_ = Field("deviationY", column);
    deviationLv_ = Field("deviationLv", column);
    for (auto [label, field] : {std::pair{"x:", deviationX_}, {"y:", deviationY_}, {"Y:", deviationLv_}}) {
        auto* text = new QLabel(label, column);
        text->setBuddy(field);
        deviation->addWidget(text);
        deviation->addWidget(field, 1);
    }
    layout->addWidget(Group("Sensor Deviation", deviation, column));
    layout->addStretch(1);
    return column;
}

QWidget* SetupPageView::buildOptionsColumn() {
    auto* column = new QWidget(content_);
    QVBoxLayout* layout = Column(column);

    auto* copy = new QVBoxLayout;
    colorDataCopy_ = new QProgressBar(column);
    colorDataCopy_->setObjectName("colorDataCopy");
    readEeprom_ = Button("Read from Eeprom", "readEeprom", column);
    writeEeprom_ = Button("Write to Eeprom", "writeEeprom", column);
    copy->addWidget(colorDataCopy_);
    copy->addWidget(ButtonRow({readEeprom_, writeEeprom_}, column));
    layout->addWidget(Group("Color Data Copy", copy, column));

    QFormLayout* options = Form();
    options_[Setup::kMeasurementWait] = Spin("measurementWait", column);
    options_[Setup::kMeasurementDelay] = Spin("measurementDelay", column);
    options_[Setup::kWhitePriorityLevel] = Spin("whitePriorityLevel", column);
    colorSpaceStep_ = List("colorSpaceStep", column);
    colorSpaceStep_->setMinimumContentsLength(3);
    measurementAfterCalibration_ = new QCheckBox("Measurement after calibration:", column);
    measurementAfterCalibration_->setObjectName("measurementAfterCalibration");
    options->addRow("Measurement Wait(Colorimeter wait):", options_[Setup::kMeasurementWait]);
    options->addRow("Measurement Delay(Pattern to Measure):", options_[Setup::kMeasurementDelay]);
    options->addRow("White Priority Level:", options_[Setup::kWhitePriorityLevel]);
    options->addRow("Color Space Step:", colorSpaceStep_);
    options->addRow(measurementAfterCalibration_);
    layout->addWidget(Group("Calibration Options", options, column));

    auto* option = new QVBoxLayout;
    audioAlarm_ = new QCheckBox("Audio Alarm", column);
    audioAlarm_->setObjectName("audioAlarm");
    gammaColorFunctionDisable_ = new QCheckBox("Gamma&&Color Function Disable", column);
    gammaColorFunctionDisable_->setObjectName("gammaColorFunctionDisable");
    option->addWidget(audioAlarm_);
    option->addWidget(gammaColorFunctionDisable_);
    layout->addWidget(Group("Option", option, column));

    QFormLayout* report = Form();
    serialNumber_ = Field("serialNumber", column, 32);
    testedBy_ = Field("testedBy", column, 32);
    serialNumber_->setAlignment(Qt::AlignLeft);
    testedBy_->setAlignment(Qt::AlignLeft);
    report->addRow("S/N", serialNumber_);
    report->addRow("Tested By", testedBy_);
    layout->addWidget(Group("Serial Number&&Tested By", report, column));
    layout->addStretch(1);
    return column;
}

void SetupPageView::refresh() {
    ShowList(monitorPort_, setup_.monitorPort);
    ShowList(instrument_, setup_.instrument);
    ShowList(instrumentPort_, setup_.instrumentPort);
    ShowList(baudRate_, setup_.baudRate);
    ShowList(dataBits_, setup_.dataBits);
    ShowList(parity_, setup_.parity);
    ShowList(stopBits_, setup_.stopBits);
    ShowList(calFile_, setup_.calFile);
    ShowList(pelkoDevices_, setup_.pelkoDevices);
    ShowButton(search_, setup_.searchButton);
    ShowList(measurementSpeed_, setup_.measurementSpeed);
    ShowText(measurementDuration_, setup_.measurementDuration);

    ShowList(pattern_, setup_.pattern);
    ShowButton(drawPattern_, setup_.drawPatternButton);
    ShowButton(exitPattern_, setup_.exitPatternButton);
    for (size_t c = 0; c < levels_.size(); ++c) {
        ShowSpin(levels_[c], setup_.levelFields[c], setup_.levelSpins[c]);
    }

    ShowText(agingTime_, setup_.agingTime);
    ShowText(measurePeriod_, setup_.measurePeriod);
    ShowCheck(startCalibrationAfterAging_, setup_.startCalibrationAfterAging);
    ShowCaption(agingStart_, setup_.agingButtonText);
    ShowButton(agingStart_, setup_.agingStartButton);
    ShowButton(agingSave_, setup_.agingSaveButton);
    ShowProgress(agingProgress_, setup_.agingProgress);

    ShowText(deviationX_, setup_.deviationX);
    ShowText(deviationY_, setup_.deviationY);
    ShowText(deviationLv_, setup_.deviationLv);

    ShowProgress(colorDataCopy_, setup_.colorDataCopy);
    ShowButton(readEeprom_, setup_.readEepromButton);
    ShowButton(writeEeprom_, setup_.writeEepromButton);

    ShowSpin(options_[Setup::kMeasurementWait], setup_.measurementWait, setup_.measurementWaitSpin);
    ShowSpin(options_[Setup::kMeasurementDelay], setup_.measurementDelay, setup_.measurementDelaySpin);
    ShowSpin(options_[Setup::kWhitePriorityLevel], setup_.whitePriorityLevel, setup_.whitePriorityLevelSpin);
    ShowList(colorSpaceStep_, setup_.colorSpaceStep);
    ShowCheck(measurementAfterCalibration_, setup_.measurementAfterCalibration);

    ShowCheck(audioAlarm_, setup_.audioAlarm);
    ShowCheck(gammaColorFunctionDisable_, setup_.gammaColorFunctionDisable);

    ShowText(serialNumber_, setup_.serialNumber);
    ShowText(testedBy_, setup_.testedBy);
}

}  // namespace halvo::gui

// The Calibration page's layout: the white-balance list with its manual gains at the top, the
// target gamma and bit depth beside it; the colour-space list with its choices across the page;
// the uniformity row with the monitor's source and back light; the files and the run at the
// bottom. Everything shows at 1280 x 800 without scrolling.

#include "gui/calib_page_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/table_binding.h"

namespace halvo::gui {

namespace {

// The widest text each column shows: labels and targets as the station formats them, measured
// values (the white list's Δuv is "%7.5lf", eight characters when negative), gains.
constexpr std::array<const char*, 10> kWhiteSamples = {
    "JUDD-OFFSET", "0.0000(0.0000)", "0.0000(0.0000)", "0000.0", "00000", "0000.0", "-0.00000", "000", "000", "000"};
constexpr std::array<const char*, 11> kColorSamples = {"Magenta", "0.0000", "0.0000", "0000.0", "0.0000", "0.0000",
                                                       "0000.0",  "-0.0000", "-000", "-000", "-000"};
constexpr std::array<const char*, kUniformityCellCount> kUniformitySamples = {
    "000.00", "000.00", "000.00", "000.00", "000.00", "000.00", "000.00", "000.00", "000.00"};

QGroupBox* Group(const char* title, const char* name, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    return group;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent, const char* tip = nullptr) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    if (tip) {
        button->setToolTip(tip);
    }
    return button;
}

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QRadioButton* Radio(const char* text, const char* name, QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(name);
    return radio;
}

QComboBox* List(const char* name, int characters, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(characters);
    return box;
}

SpinField* Spin(const char* name, const char* widest, QWidget* parent) {
    auto* field = new SpinField(parent);
    field->setObjectName(name);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(widest) + 34);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(widest) + 48);
    return field;
}

QLineEdit* ReadOnlyField(const char* name, const char* widest, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(widest) + 16);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(widest) + 28);
    return field;
}

QLabel* LabelFor(const char* text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// A list as high as its rows and at least as wide as its columns: there is nothing more to show.
QTableWidget* Table(const char* name, std::span<const ColumnSpec> columns, std::span<const char* const> samples,
                    int rows, QWidget* parent, bool checkable = false) {
    auto* table = new QTableWidget(rows, static_cast<int>(columns.size()), parent);
    table->setObjectName(name);
    SetUpColumns(table, columns, samples, checkable);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setFixedHeight(TableHeightFor(table, rows));
    table->setMinimumWidth(TableWidthFor(table));
    table->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return table;
}

// Group boxes hold their controls closely: the page has two seven-row lists to fit.
void Compact(QLayout* layout) { layout->setContentsMargins(8, 4, 8, 6); }

QHBoxLayout* Row() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    return row;
}

}  // namespace

CalibPageView::CalibPageView(Ccalib& calib, QWidget* parent) : StationPage(parent), calib_(calib) {
    setObjectName("calibrationPage");
    // The whole page shows at 1280 x 800; a smaller window scrolls it rather than cutting it off.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    content_ = new QWidget(scroll);
    // Built in reading order, which is also the order the Tab key follows.
    auto* grid = new QGridLayout(content_);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->addWidget(buildWhiteBalance(content_), 0, 0);
    grid->addWidget(buildOptionsColumn(), 0, 1);
    grid->addWidget(buildColorSpace(content_), 1, 0, 1, 2);
    grid->addWidget(buildUniformityAndSource(content_), 2, 0, 1, 2);
    grid->addWidget(buildRunAndFiles(content_), 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    scroll->setWidget(content_);
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(scroll);
    wireOptions();
    wireColorSpace();
    wireWhiteBalance();
    wireBottomRow();
    refresh();
}

QWidget* CalibPageView::buildOptionsColumn() {
    auto* column = new QWidget(content_);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(buildTargetColor(column));
    layout->addWidget(buildBitDepth(column));
    layout->addStretch(1);
    return column;
}

QWidget* CalibPageView::buildWhiteBalance(QWidget* parent) {
    QGroupBox* group = Group("White Balance/Color Temperature", "whiteBalanceGroup", parent);
    auto* layout = new QVBoxLayout(group);
    Compact(layout);
    whiteList_ = Table("whiteList", kWhiteListColumns, kWhiteSamples, kWhiteRowCount, group, true);
    layout->addWidget(whiteList_);

    QHBoxLayout* row = Row();
    row->addWidget(new QLabel("Manual", group));
    const char* names[3] = {"gainRed", "gainGreen", "gainBlue"};
    const char* labels[3] = {"R", "G", "B"};
    for (size_t c = 0; c < gains_.size(); ++c) {
        gains_[c] = Spin(names[c], "000", group);
        row->addSpacing(4);
        row->addWidget(LabelFor(labels[c], gains_[c], group));
        row->addWidget(gains_[c]);
    }
    row->addStretch(1);
    whiteLoad_ = Button("Load", "whiteLoad", group, "Read every target's stored gains from the monitor");
    whiteSave_ = Button("Save", "whiteSave", group, "Store the checked targets' gains in the monitor");
    whiteClear_ = Button("Clear", "whiteClear", group, "Blank the measured columns and the uniformity row");
    row->addWidget(whiteLoad_);
    row->addWidget(whiteSave_);
    row->addWidget(whiteClear_);
    layout->addLayout(row);
    return group;
}

// The target list on the left, the choices it is shown and calibrated for on the right.
QWidget* CalibPageView::buildColorSpace(QWidget* parent) {
    QGroupBox* group = Group("Color Space", "colorSpaceGroup", parent);
    auto* layout = new QHBoxLayout(group);
    Compact(layout);
    layout->setSpacing(10);

    colorSpace_ = Check("Color Space", "colorSpace", group);
    colorSpaceList_ = List("colorSpaceList", 8, group);
    level_ = Check("Level", "level", group);
    levelList_ = List("levelList", 4, group);
    colorPriority_ = Button("Color Priority ", "colorPriority", group);
    colorPriority_->setCheckable(true);
    // Wide enough for either caption, so nothing moves when it changes.
    const QFontMetrics metrics(colorPriority_->font());
    colorPriority_->setMinimumWidth(
        std::max(metrics.horizontalAdvance("Color Priority "), metrics.horizontalAdvance("White Priority")) + 24);
    const char* names[kColorSpaceCount] = {"targetBT709", "targetSMPTEC", "targetEBU", "targetNTSC", "targetDCinema"};
    for (size_t i = 0; i < targetBoxes_.size(); ++i) {
        targetBoxes_[i] = Check(kColorSpaceBoxNames[i], names[i], group);
    }
    colorSpaceClear_ = Button("Clear", "colorSpaceClear", group, "Clear the colour-space results");
    colorTargetList_ = Table("colorTargetList", kColorTargetColumns, kColorSamples, kColorSlotCount, group);
    // Shown, not worked: the Tab key passes it by.
    colorTargetList_->setFocusPolicy(Qt::NoFocus);

    auto* choices = new QGridLayout;
    choices->setContentsMargins(0, 0, 0, 0);
    choices->setHorizontalSpacing(8);
    choices->setVerticalSpacing(6);
    choices->addWidget(colorSpace_, 0, 0);
    choices->addWidget(colorSpaceList_, 0, 1, 1, 2, Qt::AlignLeft);
    choices->addWidget(level_, 1, 0);
    choices->addWidget(levelList_, 1, 1);
    choices->addWidget(colorPriority_, 1, 2);
    for (size_t i = 0; i < targetBoxes_.size(); ++i) {
        choices->addWidget(targetBoxes_[i], 2 + static_cast<int>(i) / 3, static_cast<int>(i) % 3);
    }
    choices->addWidget(colorSpaceClear_, 3, 2);
    choices->setRowStretch(4, 1);
    choices->setColumnStretch(3, 1);

    layout->addWidget(colorTargetList_);
    layout->addLayout(choices, 1);
    return group;
}

QWidget* CalibPageView::buildTargetColor(QWidget* parent) {
    QGroupBox* group = Group("Target color", "targetColorGroup", parent);
    auto* grid = new QGridLayout(group);
    Compact(grid);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    gamma_ = Check("Gamma", "gamma", group);
    gamma22_ = Radio("G 2.2", "gamma22", group);
    gamma235_ = Radio("G 2.35", "gamma235", group);
    targetGamma_ = new QButtonGroup(group);
    targetGamma_->addButton(gamma22_, 0);
    targetGamma_->addButton(gamma235_, 1);
    gammaStep_ = List("gammaStep", 4, group);
    measuredGamma_ = ReadOnlyField("measuredGamma", "0.000", group);
    temperature_ = ReadOnlyField("temperature", "00000", group);
    measuredGamma_->setToolTip("Measured panel gamma");
    temperature_->setToolTip("Colour temperature of the last calibration");

    grid->addWidget(gamma_, 0, 0, 1, 2);
    grid->addWidget(gamma22_, 0, 2, 1, 2);
    grid->addWidget(gamma235_, 0, 4, 1, 2);
    grid->addWidget(LabelFor("Step", gammaStep_, group), 1, 0);
    grid->addWidget(gammaStep_, 1, 1, 1, 2);
    grid->addWidget(LabelFor("Gamma", measuredGamma_, group), 2, 0);
    grid->addWidget(measuredGamma_, 2, 1, 1, 2);
    grid->addWidget(LabelFor("T(K)", temperature_, group), 2, 3, Qt::AlignRight);
    grid->addWidget(temperature_, 2, 4, 1, 2);
    grid->setColumnStretch(6, 1);
    return group;
}

QWidget* CalibPageView::buildBitDepth(QWidget* parent) {
    QGroupBox* depth = Group("Bit depth", "bitDepthGroup", parent);
    QHBoxLayout* layout = Row();
    depth->setLayout(layout);
    Compact(layout);
    tenBit_ = Radio("10 Bit", "tenBit", depth);
    eightBit_ = Radio("8 Bit", "eightBit", depth);
    bitDepth_ = new QButtonGroup(depth);
    bitDepth_->addButton(tenBit_, 1);
    bitDepth_->addButton(eightBit_, 0);
    layout->addWidget(tenBit_);
    layout->addWidget(eightBit_);
    layout->addStretch(1);
    return depth;
}

QWidget* CalibPageView::buildSource(QWidget* parent) {
    QGroupBox* source = Group("Monitor source/Backlight", "sourceGroup", parent);
    QHBoxLayout* layout = Row();
    source->setLayout(layout);
    Compact(layout);
    source_ = new QButtonGroup(source);
    const char* names[3] = {"sourceDigital", "sourceRgb", "sourceYPbPr"};
    for (size_t i = 0; i < sources_.size(); ++i) {
        sources_[i] = Radio(kSourceNames[i], names[i], source);
        source_->addButton(sources_[i], static_cast<int>(i));
        layout->addWidget(sources_[i]);
    }
    layout->addSpacing(12);
    backlight_ = Spin("backlight", "000", source);
    layout->addWidget(LabelFor("Back light", backlight_, source));
    layout->addWidget(backlight_);
    return source;
}

// One row of nine luminances (the check box beside its list says whether the set holds them),
// and the monitor's input.
QWidget* CalibPageView::buildUniformityAndSource(QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setObjectName("uniformityRow");
    QHBoxLayout* layout = Row();
    row->setLayout(layout);
    uniformity_ = Check("Uniformity", "uniformity", row);
    uniformityList_ = Table("uniformityList", kUniformityColumns, kUniformitySamples, 1, row);
    uniformityList_->setSelectionMode(QAbstractItemView::NoSelection);
    uniformityList_->setFocusPolicy(Qt::NoFocus);
    layout->addSpacing(4);
    layout->addWidget(uniformity_);
    layout->addSpacing(6);
    layout->addWidget(uniformityList_);
    layout->addStretch(1);
    layout->addWidget(buildSource(row));
    return row;
}

// The bottom row: target and calibration data files, the run's progress and its button.
QWidget* CalibPageView::buildRunAndFiles(QWidget* parent) {
    auto* row = new QWidget(parent);
    QHBoxLayout* layout = Row();
    row->setLayout(layout);
    saveTarget_ = Button("Save Target", "saveTarget", row, "Save the white-balance targets to a file");
    loadTarget_ = Button("Load Target", "loadTarget", row, "Load white-balance targets from a file");
    loadData_ = Button("Load", "loadData", row, "Load calibration data (.cal) or import a station log (.txt)");
    saveData_ = Button("Save", "saveData", row, "Save the calibration data (.cal)");
    copyData_ = Button("Copy", "copyData", row, "Copy the calibration data into the monitor");
    progress_ = new QProgressBar(row);
    progress_->setObjectName("progress");
    // The status text beside it shows the run's percentage as the station words it.
    progress_->setTextVisible(false);
    status_ = new QLabel(row);
    status_->setObjectName("statusText");
    status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance("Ready.. 100%") + 6);
    autoCalibration_ = Button("Calibrate", "autoCalibration", row, "Auto Calibration: start a run, or stop it");
    autoCalibration_->setAccessibleName("Auto Calibration");
    autoCalibration_->setCheckable(true);
    autoCalibration_->setMinimumWidth(110);
    fastCalibration_ = Check("Fast calibration", "fastCalibration", row);
    fastCalibration_->setToolTip(
        "Take each reading once it has settled and start the searches from a model of the panel");

    layout->addWidget(saveTarget_);
    layout->addWidget(loadTarget_);
    layout->addSpacing(12);
    layout->addWidget(loadData_);
    layout->addWidget(saveData_);
    layout->addWidget(copyData_);
    layout->addSpacing(12);
    layout->addWidget(progress_, 1);
    layout->addWidget(status_);
    layout->addWidget(fastCalibration_);
    layout->addWidget(autoCalibration_);
    return row;
}

}  // namespace halvo::gui

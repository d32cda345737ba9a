// The Measure page's layout and how it shows the model.

#include "gui/measure_page_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

constexpr std::array<const char*, 4> kKindTexts = {"Gamma", "Color", "Color Temperature", "Uniformity"};
constexpr std::array<const char*, 4> kKindNames = {"measureGamma", "measureColor", "measureTemperature", "measureUniformity"};

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

MeasurePageView::MeasurePageView(CMeasure& page, QWidget* parent) : StationPage(parent), page_(page) {
    setObjectName("measurePage");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(10);
    layout->addWidget(buildChoices(), 0);
    layout->addWidget(buildResults(), 4);
    layout->addWidget(buildChart(), 3);
    wire();
    refresh();
}

QWidget* MeasurePageView::buildChoices() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* items = new QGroupBox("Measure item", column);
    auto* itemsLayout = new QVBoxLayout(items);
    for (size_t k = 0; k < kinds_.size(); ++k) {
        kinds_[k] = Check(kKindTexts[k], kKindNames[k], items);
        itemsLayout->addWidget(kinds_[k]);
    }
    autoJig_ = Check("Auto(JIG)", "autoJig", items);
    itemsLayout->addWidget(autoJig_);
    layout->addWidget(items);

    auto* spaces = new QGroupBox("Color Space", column);
    auto* spacesLayout = new QGridLayout(spaces);
    colorSpace_ = Check("Color Space", "measureColorSpace", spaces);
    spacesLayout->addWidget(colorSpace_, 0, 0, 1, 2);
    for (size_t i = 0; i < spaces_.size(); ++i) {
        spaces_[i] = Check(kMeasureSpaceNames[i], "", spaces);
        spaces_[i]->setObjectName(QString("measureSpace%1").arg(i));
        spacesLayout->addWidget(spaces_[i], 1 + static_cast<int>(i) / 2, static_cast<int>(i) % 2);
    }
    spaceList_ = new QComboBox(spaces);
    spaceList_->setObjectName("measureColorSpaceList");
    spaceList_->setAccessibleName("Displayed color space");
    spacesLayout->addWidget(spaceList_, 4, 0, 1, 2);
    layout->addWidget(spaces);

    start_ = Button("Measure", "measureStart", column);
    position_ = Button("Position", "measurePosition", column);
    save_ = Button("Save as..", "saveReport", column);
    clear_ = Button("Clear", "clearResults", column);
    auto* buttons = new QGridLayout;
    buttons->addWidget(start_, 0, 0);
    buttons->addWidget(position_, 0, 1);
    buttons->addWidget(save_, 1, 0);
    buttons->addWidget(clear_, 1, 1);
    layout->addLayout(buttons);

    progress_ = new QProgressBar(column);
    progress_->setObjectName("measureProgress");
    progress_->setTextVisible(false);
    progressText_ = new QLabel(column);
    progressText_->setObjectName("measureProgressText");
    progressText_->setMinimumWidth(48);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(progressText_);
    layout->addLayout(progressRow);
    layout->addStretch(1);
    return column;
}

QWidget* MeasurePageView::buildResults() {
    results_ = new QTableWidget(0, 2, this);
    results_->setObjectName("measureResults");
    results_->setHorizontalHeaderLabels({"Index", "Data"});
    results_->verticalHeader()->setVisible(false);
    results_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    results_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setShowGrid(true);
    results_->setWordWrap(false);
    results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 6);
    results_->setMinimumWidth(400);
    return results_;
}

QWidget* MeasurePageView::buildChart() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    chartKind_ = new QComboBox(column);
    chartKind_->setObjectName("chartKind");
    chartKind_->setAccessibleName("Chart");
    triangle_ = Check("Colorspace RGB Triangle", "triangle", column);
    auto* row = new QHBoxLayout;
    row->addWidget(chartKind_, 1);
    row->addWidget(triangle_);
    layout->addLayout(row);
    chart_ = new ChartView(page_, column);
    layout->addWidget(chart_, 1);
    return column;
}

void MeasurePageView::refresh() {
    for (size_t k = 0; k < kinds_.size(); ++k) {
        ShowCheck(kinds_[k], {page_.kindBoxes[k].checked, page_.usable(MeasureControl::Kinds)});
    }
    ShowCheck(autoJig_, {page_.autoJigChecked, page_.usable(MeasureControl::AutoJig)});
    ShowCheck(colorSpace_, {page_.colorSpaceCheck.checked, page_.usable(MeasureControl::ColorSpace)});
    for (size_t i = 0; i < spaces_.size(); ++i) {
        ShowCheck(spaces_[i], {page_.colorSpaceBoxes[i].checked, page_.usable(MeasureControl::ColorSpaceBoxes)});
    }
    ShowList(spaceList_, page_.colorSpaceList);
    ShowEnabled(spaceList_, page_.usable(MeasureControl::ColorSpaceList));
    ShowCaption(start_, page_.startButtonText);
    ShowEnabled(start_, page_.usable(MeasureControl::Start));
    ShowEnabled(position_, page_.usable(MeasureControl::Position));
    ShowEnabled(save_, page_.usable(MeasureControl::Save));
    ShowEnabled(clear_, page_.usable(MeasureControl::Clear));
    ShowProgress(progress_, page_.progress);
    const QString progressText = QString::fromStdString(page_.progressText);
    if (progressText_->text() != progressText) {
        progressText_->setText(progressText);
    }
    ShowList(chartKind_, page_.chartSelector);
    ShowEnabled(chartKind_, page_.usable(MeasureControl::ChartSelector));
    ShowCheck(triangle_, {page_.triangleCheck.checked, page_.usable(MeasureControl::Triangle)});
    showResults();
    chart_->update();
}

void MeasurePageView::showResults() {
    const std::vector<TableRow>& rows = page_.resultList.rows;
    if (results_->rowCount() != static_cast<int>(rows.size())) {
        results_->setRowCount(static_cast<int>(rows.size()));
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 2; ++c) {
            const QString text = c < static_cast<int>(rows[r].cells.size())
                                     ? QString::fromStdString(rows[r].cells[static_cast<size_t>(c)])
                                     : QString();
            QTableWidgetItem* item = results_->item(static_cast<int>(r), c);
            if (item == nullptr) {
                item = new QTableWidgetItem(text);
                item->setTextAlignment(c == 0 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
                results_->setItem(static_cast<int>(r), c, item);
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
}

}  // namespace halvo::gui

#pragma once

// The "Measure" page: a view over the Measure page model. The choices of what to measure and in
// which colour spaces on the left with the run's buttons and progress, the two-column result
// list in the middle, the chart on the right. Every operator action goes to the model's matching
// on...() call; "Measure", "Position", "Save as.." and "Clear" reach the controller as operator
// commands.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <array>

#include "gui/chart_view.h"
#include "gui/station_page.h"
#include "reports/measure_page.h"

namespace halvo::gui {

class MeasurePageView : public StationPage {
public:
    MeasurePageView(CMeasure& page, QWidget* parent = nullptr);
    void refresh() override;

private:
    QWidget* buildChoices();
    QWidget* buildResults();
    QWidget* buildChart();
    void wire();
    void showResults();
    void changed() { refresh(); }

    CMeasure& page_;

    std::array<QCheckBox*, 4> kinds_{};
    QCheckBox* autoJig_ = nullptr;
    QCheckBox* colorSpace_ = nullptr;
    std::array<QCheckBox*, kMeasureSpaceCount> spaces_{};
    QComboBox* spaceList_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* position_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* clear_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    QTableWidget* results_ = nullptr;
    QComboBox* chartKind_ = nullptr;
    QCheckBox* triangle_ = nullptr;
    ChartView* chart_ = nullptr;
};

}  // namespace halvo::gui

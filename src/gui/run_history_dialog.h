#pragma once

// The connected monitor's earlier runs, by its calibration ID and by its S/N: date, station,
// operator, kind and outcome of each. A run shows its verification (the run itself, or the one
// that followed a calibration) and its calibration data can be loaded into the Calibration page.
// The database or server is read off the window's thread.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <optional>
#include <string>
#include <vector>

#include "app/halvo_dlg.h"
#include "results/results_settings.h"
#include "results/run_record.h"

namespace halvo::gui {

class RunHistoryDialog : public QDialog {
public:
    RunHistoryDialog(CHalvoDlg& station, results::ResultsTarget target, QWidget* parent);

    // Reads the runs again (the monitor may have changed).
    void reload();
    bool loading() const { return loading_; }
    const std::vector<results::RunRecord>& runs() const { return runs_; }

private:
    void showRuns(const std::string& place, const std::string& error);
    void select(int row);
    void showDetail(const std::optional<results::RunRecord>& verification, const std::optional<results::RunRecord>& calibration,
                    const std::string& error);
    void loadCalibration();

    CHalvoDlg& station_;
    results::ResultsTarget target_;
    QLabel* heading_ = nullptr;
    QTableWidget* list_ = nullptr;
    QLabel* detailHeading_ = nullptr;
    QTableWidget* items_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* reload_ = nullptr;
    std::vector<results::RunRecord> runs_;
    std::optional<results::RunRecord> calibrationData_;
    bool loading_ = false;
    int request_ = 0;
};

}  // namespace halvo::gui

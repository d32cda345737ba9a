#pragma once

// "Results": where the station keeps every run's record. The station's name in the records,
// the line's results server and its time-outs, kept in Station.ini beside Config.ini; a test of
// the connection that never holds the window up.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <string>

#include "results/results_settings.h"

namespace halvo::gui {

class ResultsSettingsDialog : public QDialog {
public:
    // directory: where Station.ini lives (the station's working directory).
    ResultsSettingsDialog(std::string directory, QWidget* parent);

    // The settings as the fields show them.
    results::ResultsSettings settings() const;
    // Saves them; false with a message shown.
    bool save();

private:
    void testConnection();

    std::string directory_;
    QLineEdit* station_ = nullptr;
    QLineEdit* server_ = nullptr;
    QSpinBox* connectTimeout_ = nullptr;
    QSpinBox* statementTimeout_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace halvo::gui

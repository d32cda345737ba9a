#pragma once

// The station's main window ("Tintara"): the link indicators, the monitor and instrument names,
// "Cal. ID", "Connect", the tab control with the pages, the "Measured Data" list, the probe
// position, "Measure" and "Continuously", the log, the logo and "About". A view over the
// controller: it shows MainWindowModel and the page models, and hands every operator action to
// the controller.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "app/halvo_dlg.h"
#include "gui/notice_dialogs.h"
#include "gui/probe_position_view.h"
#include "gui/station_page.h"

namespace halvo::gui {

class AboutBox;

class MainWindow : public QWidget, private LogListener {
public:
    explicit MainWindow(CHalvoDlg& station);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The pages exist only once the window initialisation found a serial port.
    void createPages();
    bool hasPages() const { return pages_[0] != nullptr; }
    // Shows the controller's current state.
    void refresh();
    NoticeDialogs& notices() { return *notices_; }
    void showAbout();
    AboutBox* aboutBox() { return about_; }
    // The tab control's page area, in global coordinates.
    QRect pageArea() const;
    // "Runs..." (the monitor's earlier runs) and "Results..." (where they are kept).
    std::function<void()> runsRequested;
    std::function<void()> resultsSettingsRequested;

private:
    QWidget* buildHeader();
    QWidget* buildReadingColumn();
    QWidget* buildLog();
    void wire();
    void showIndicator(QLabel* indicator, bool on, bool& shown);

    void onLogAppended(const std::string& entry) override;
    void onLogCleared() override;

    CHalvoDlg& station_;

    QLabel* monitorIndicator_ = nullptr;
    QLabel* instrumentIndicator_ = nullptr;
    QLineEdit* monitorName_ = nullptr;
    QLineEdit* instrumentName_ = nullptr;
    QLineEdit* calId_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* runsButton_ = nullptr;
    QPushButton* resultsButton_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* readingList_ = nullptr;
    ProbePositionView* probe_ = nullptr;
    QPushButton* measure_ = nullptr;
    QCheckBox* continuously_ = nullptr;
    QPlainTextEdit* logPane_ = nullptr;
    QPushButton* clearLog_ = nullptr;
    QPushButton* saveLog_ = nullptr;

    std::array<StationPage*, 3> pages_{};
    std::unique_ptr<NoticeDialogs> notices_;
    AboutBox* about_ = nullptr;
    // What the indicators and "Cal. ID" show; "Cal. ID" is only overwritten when the
    // controller's ID changes, not while the operator types a new one.
    bool monitorShown_ = false;
    bool instrumentShown_ = false;
    std::string calIdShown_;
};

}  // namespace halvo::gui

// Showing the controller's state in the main window, and the log pane.

#include <QSignalBlocker>
#include <QTextCursor>

#include "gui/artwork.h"
#include "gui/main_window.h"
#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

void ShowCell(QTableWidget* list, int row, const std::string& text) {
    QTableWidgetItem* item = list->item(row, 1);
    const QString wanted = QString::fromStdString(text);
    if (item && item->text() != wanted) {
        item->setText(wanted);
    }
}

}  // namespace

void MainWindow::refresh() {
    const MainWindowModel& m = station_.window();
    const QString title = QString::fromStdString(m.title);
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
    ShowCaption(connect_, m.connectText);
    if (connect_->isChecked() != m.connected) {
        const QSignalBlocker block(connect_);
        connect_->setChecked(m.connected);
    }
    // Without pages there is no port to connect to.
    ShowEnabled(connect_, hasPages());
    ShowEnabled(runsButton_, m.connected);
    ShowCaption(measure_, m.measureText);
    ShowEnabled(measure_, m.measureEnabled);
    ShowCheck(continuously_, CheckControl{m.continuouslyChecked, m.continuouslyEnabled});

    ShowText(monitorName_, m.monitorName);
    ShowText(instrumentName_, m.instrumentName);
    if (m.calId != calIdShown_) {
        calIdShown_ = m.calId;
        ShowText(calId_, m.calId);
    }
    showIndicator(monitorIndicator_, m.monitorIndicatorOn, monitorShown_);
    showIndicator(instrumentIndicator_, m.instrumentIndicatorOn, instrumentShown_);

    for (size_t row = 0; row < m.readingValues.size(); ++row) {
        ShowCell(readingList_, static_cast<int>(row), m.readingValues[row]);
    }
    probe_->setPositionType(m.probePosition);

    if (hasPages()) {
        if (tabs_->currentIndex() != m.selectedTab && m.selectedTab >= 0 && m.selectedTab < tabs_->count()) {
            const QSignalBlocker block(tabs_);
            tabs_->setCurrentIndex(m.selectedTab);
        }
        for (StationPage* page : pages_) {
            page->refresh();
        }
    }
}

void MainWindow::showIndicator(QLabel* indicator, bool on, bool& shown) {
    if (on == shown) {
        return;
    }
    shown = on;
    indicator->setPixmap(IndicatorPixmap(on, 16));
    const QString what = indicator == monitorIndicator_ ? "Monitor" : "Colorimeter";
    indicator->setAccessibleName(what + (on ? " link up" : " link down"));
}

void MainWindow::onLogAppended(const std::string& entry) {
    QTextCursor cursor(logPane_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromStdString(entry));
    logPane_->moveCursor(QTextCursor::End);
    logPane_->ensureCursorVisible();
}

void MainWindow::onLogCleared() { logPane_->clear(); }

}  // namespace halvo::gui

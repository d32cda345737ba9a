// The window as the operator meets it: its start-up, connecting to the simulated station,
// settings across a restart, and the notices.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <map>
#include <optional>

#include "common/file_io.h"
#include "gui/spin_field.h"
#include "reports/report_export.h"
#include "gui_fixture.h"

namespace halvo::gui {
namespace {

using Window = test::WindowFixture;

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

// The widgets the Tab key visits from w on, as far as they can take the focus now.
QStringList TabStops(QWidget* from, int count) {
    QStringList stops;
    for (QWidget* w = from->nextInFocusChain(); w != from && stops.size() < count; w = w->nextInFocusChain()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy()) {
            continue;
        }
        // A spin field's stop is its text field; the tab control's is its tab bar.
        stops << (w->objectName() == "qt_spinbox_lineedit" ? w->parentWidget()->objectName() : w->objectName());
    }
    return stops;
}

TEST_F(Window, StartsDisconnectedOnTheSetupPageWithTheStationsTexts) {
    open();
    MainWindow& w = app->window();
    EXPECT_EQ(w.windowTitle(), "Tintara");

    auto* tabs = find<QTabWidget>("tabs");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Measure");
    EXPECT_EQ(tabs->tabText(1), "Calibration");
    EXPECT_EQ(tabs->tabText(2), "Setup");
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_TRUE(tabs->isTabEnabled(0));
    EXPECT_TRUE(tabs->isTabEnabled(1));

    EXPECT_EQ(find<QPushButton>("connectButton")->text(), "Connect");
    EXPECT_TRUE(find<QPushButton>("connectButton")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("measureButton")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("continuously")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("continuously")->isEnabled());
    EXPECT_EQ(find<QLineEdit>("monitorName")->text(), "Monitor");
    EXPECT_EQ(find<QLineEdit>("instrumentName")->text(), "Colorimeter");
    EXPECT_EQ(find<QLineEdit>("calId")->maxLength(), 9);

    auto* list = find<QTableWidget>("readingList");
    ASSERT_EQ(list->rowCount(), 7);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "Index");
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "Value");
    const QStringList rows = {"x", "y", "u'", "v'", "Lv", "T", QString::fromUtf8("\u0394uv")};
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(list->item(r, 0)->text(), rows[r]);
        EXPECT_EQ(list->item(r, 1)->text(), rows[r]);
    }

    // The Setup page: the simulated station's ports are among the machine's and are chosen;
    // the connection settings are open, the work controls locked until connected.
    auto* monitorPort = find<QComboBox>("monitorPort");
    EXPECT_TRUE(Items(monitorPort).contains("SIM-MONITOR"));
    EXPECT_TRUE(Items(monitorPort).contains("SIM-CA"));
    EXPECT_EQ(monitorPort->currentText(), "SIM-MONITOR");
    EXPECT_EQ(find<QComboBox>("instrumentPort")->currentText(), "SIM-CA");
    EXPECT_EQ(Items(find<QComboBox>("instrument")),
              QStringList({"CA-210", "CA-310", "K-10", "PELKO", "Spyder4", "CS-200", "i1 Display"}));
    EXPECT_TRUE(monitorPort->isEnabled());
    EXPECT_FALSE(find<QPushButton>("drawPattern")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("readEeprom")->isEnabled());
    EXPECT_EQ(find<SpinField>("measurementWait")->text(), "350");

    // Tab goes from the header through the tabs into the page before the reading controls and
    // the log ("Runs..." waits for a connected monitor).
    EXPECT_EQ(QApplication::focusWidget(), find<QPushButton>("connectButton"));
    EXPECT_FALSE(find<QPushButton>("runsButton")->isEnabled());
    EXPECT_EQ(TabStops(find<QLineEdit>("calId"), 5),
              QStringList({"connectButton", "resultsButton", "aboutButton", "qt_tabwidget_tabbar", "monitorPort"}));
    EXPECT_EQ(TabStops(find<QLineEdit>("testedBy"), 4), QStringList({"logPane", "clearLog", "saveLog", "calId"}));
}

TEST_F(Window, WithoutASerialPortSaysSoAndHasNoPages) {
    simulate = false;
    enumeratePorts = [] { return std::vector<std::string>{}; };
    open();
    EXPECT_EQ(app->ui().messages(), std::vector<std::string>{"No COMM port exists!"});
    EXPECT_EQ(find<QTabWidget>("tabs")->count(), 0);
    EXPECT_FALSE(find<QPushButton>("connectButton")->isEnabled());
}

// Real time on Qt's timers: the identification takes about three seconds of the monitor's waits.
TEST_F(Window, ConnectsToTheSimulatedStationAndShowsItsReadings) {
    open();
    auto* connect = find<QPushButton>("connectButton");
    auto* list = find<QTableWidget>("readingList");
    QTest::mouseClick(connect, Qt::LeftButton);
    EXPECT_EQ(connect->text(), "Disconnect");
    EXPECT_TRUE(connect->isChecked());

    ASSERT_TRUE(test::ProcessEventsUntil([&] { return list->item(4, 1)->text() != "Lv"; }, 15000));
    EXPECT_EQ(find<QLineEdit>("monitorName")->text(), "TXM-600-HD-S V1.02");
    EXPECT_EQ(find<QLineEdit>("instrumentName")->text(), "CA-210");
    EXPECT_EQ(find<QLineEdit>("calId")->text(), "VRL000001");
    // The list shows the station's formats: x "%6.4lf", Lv "%6.2lf", T "%5d".
    EXPECT_TRUE(QRegularExpression("^0\\.\\d{4}$").match(list->item(0, 1)->text()).hasMatch()) << qPrintable(list->item(0, 1)->text());
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d{2}$").match(list->item(4, 1)->text().trimmed()).hasMatch());
    EXPECT_EQ(list->item(5, 1)->text().size(), 5);
    EXPECT_TRUE(find<QPlainTextEdit>("logPane")->toPlainText().startsWith("SYS:Tintara- V8.0\n"));
    EXPECT_EQ(find<QLabel>("monitorIndicator")->accessibleName(), "Monitor link up");
    EXPECT_EQ(find<QLabel>("instrumentIndicator")->accessibleName(), "Colorimeter link up");
    // Connected: the connection settings are locked, the work controls open.
    EXPECT_FALSE(find<QComboBox>("instrument")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("drawPattern")->isEnabled());

    // One reading at a time: "Measure" reads "Wait" until the reading is in.
    auto* continuously = find<QCheckBox>("continuously");
    auto* measure = find<QPushButton>("measureButton");
    clickBox(continuously);
    ASSERT_TRUE(measure->isEnabled());
    int readings = 0;
    app->station().readingObserver = [&] { ++readings; };
    QTest::mouseClick(measure, Qt::LeftButton);
    EXPECT_EQ(measure->text(), "Wait");
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return measure->text() == "Measure"; }, 5000));
    EXPECT_EQ(readings, 1);

    QTest::mouseClick(connect, Qt::LeftButton);
    EXPECT_EQ(connect->text(), "Connect");
    EXPECT_EQ(find<QLineEdit>("monitorName")->text(), "Monitor");
    EXPECT_EQ(find<QLabel>("monitorIndicator")->accessibleName(), "Monitor link down");
    EXPECT_TRUE(find<QComboBox>("instrument")->isEnabled());
}

TEST_F(Window, KeepsTheOperatorsSettingsAcrossARestart) {
    open(true);
    auto* instrument = find<QComboBox>("instrument");
    instrument->setCurrentIndex(1);
    instrument->activated(1);
    auto* baud = find<QComboBox>("baudRate");
    baud->setCurrentIndex(1);
    baud->activated(1);
    clickBox(find<QCheckBox>("audioAlarm"));
    auto* deviation = find<QLineEdit>("deviationLv");
    deviation->setFocus();
    deviation->selectAll();
    QTest::keyClicks(deviation, "-2");
    QTest::keyClick(deviation, Qt::Key_Return);

    // The timing options open once connected; a wait beyond the spin's range is clamped when
    // Enter confirms it.
    QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
    auto* wait = find<SpinField>("measurementWait");
    ASSERT_TRUE(wait->isEnabled());
    wait->setFocus();
    wait->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(wait, "5000");
    QTest::keyClick(wait, Qt::Key_Return);
    EXPECT_EQ(wait->text(), "3000");
    QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
    close();

    std::string config;
    ASSERT_TRUE(ReadWholeFile(directory + "/Config.ini", config, nullptr));
    EXPECT_NE(config.find("\r\nCA-310\r\n"), std::string::npos) << config;

    open(true);
    EXPECT_EQ(find<QComboBox>("instrument")->currentText(), "CA-310");
    EXPECT_EQ(find<QComboBox>("baudRate")->currentText(), "19200");
    EXPECT_EQ(find<SpinField>("measurementWait")->text(), "3000");
    EXPECT_TRUE(find<QCheckBox>("audioAlarm")->isChecked());
    EXPECT_EQ(find<QLineEdit>("deviationLv")->text(), "-2");
}

// On a virtual clock: the countdown is fifteen seconds.
TEST_F(Window, CompletionNoticeCountsDownThenSavesByItself) {
    open(true);
    clickBox(find<QCheckBox>("audioAlarm"));
    CSaveDlg* notice = app->window().notices().completion();
    auto* countdown = notice->findChild<QLineEdit*>("countdown");

    app->station().calibrationCompleted();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->windowTitle(), "Auto calibration has completed. ");
    EXPECT_EQ(countdown->text(), "");
    ASSERT_FALSE(sound.played.empty());
    EXPECT_EQ(std::filesystem::path(sound.played.back()).filename(), "Success.wav");
    EXPECT_TRUE(sound.looping);

    clock.runFor(1000);
    EXPECT_EQ(countdown->text(), "15 Sec");
    clock.runFor(1000);
    EXPECT_EQ(countdown->text(), "14 Sec");
    clock.runFor(13000);
    EXPECT_EQ(countdown->text(), "1 Sec");
    EXPECT_TRUE(notice->isVisible());
    // The tick that shows 0 also stores to the EEPROM and closes the notice.
    clock.runFor(1000);
    EXPECT_EQ(countdown->text(), "0 Sec");
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(sound.playing);

    // Shown again, it starts without the last run's count; Escape is Cancel, which stops the
    // sound and closes the notice while the countdown goes on to store the calibration.
    app->station().calibrationCompleted();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(countdown->text(), "");
    QTest::keyClick(notice, Qt::Key_Escape);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(sound.playing);
    EXPECT_TRUE(clock.isArmed(kTimerCountdown));
    clock.runFor(16000);
    EXPECT_FALSE(clock.isArmed(kTimerCountdown));
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(Window, FailureAndCopyNoticesAnswerTheStation) {
    open(true);
    CErrorDlg* failure = app->window().notices().failure();
    app->station().calibrationFailed();
    EXPECT_TRUE(failure->isVisible());
    EXPECT_EQ(failure->windowTitle(), "Warnning");
    failure->close();  // the close box means OK
    EXPECT_FALSE(failure->isVisible());
    EXPECT_FALSE(app->station().notices().failureOpen);

    NoticeState copy;
    copy.warningOpen = true;
    copy.warningSource = "VRL000001      ";
    copy.warningTarget = "VRL000002";
    app->ui().noticesChanged(copy);
    Warning* warning = app->window().notices().warning();
    ASSERT_TRUE(warning->isVisible());
    EXPECT_EQ(warning->findChild<QLineEdit*>("source")->text(), "VRL000001      ");
    EXPECT_EQ(warning->findChild<QLineEdit*>("target")->text(), "VRL000002");
    warning->reject();
    EXPECT_FALSE(warning->isVisible());
}

TEST_F(Window, AgingRunsFromTheSetupPageAndItsRecordsAreSavedToAFile) {
    open(true);
    QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
    clock.runFor(6000);
    auto* time = find<QLineEdit>("agingTime");
    auto* period = find<QLineEdit>("measurePeriod");
    time->selectAll();
    QTest::keyClicks(time, "3");
    QTest::keyClick(time, Qt::Key_Return);
    period->selectAll();
    QTest::keyClicks(period, "1");
    QTest::keyClick(period, Qt::Key_Return);
    auto* start = find<QPushButton>("agingStart");
    QTest::mouseClick(start, Qt::LeftButton);
    clock.runFor(90000);
    QApplication::processEvents();
    EXPECT_EQ(start->text(), "Stop");
    auto* bar = find<QProgressBar>("agingProgress");
    EXPECT_GT(bar->value(), bar->minimum());
    EXPECT_LT(bar->value(), bar->maximum());

    clock.runUntil([&] { return app->station().task().CalibrationState == kTaskIdle; }, 600000);
    QApplication::processEvents();
    EXPECT_EQ(start->text(), "Start");
    ASSERT_GE(app->station().agingLines.size(), 3u);

    const QString path = QString::fromStdString(directory + "/aging.txt");
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(find<QPushButton>("agingSave"), Qt::LeftButton);
    clock.runFor(100);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path.toStdString(), text, nullptr));
    EXPECT_EQ(text, [&] {
        std::string lines;
        for (const std::string& line : app->station().agingLines) {
            lines += line + "\r\n";
        }
        return lines;
    }());
}

TEST_F(Window, ShowsAWaitCursorWhileAFileIsReadOrWrittenAndWhileAReportIsExported) {
    open(true);
    QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
    clock.runFor(6000);
    // The cursor the window showed while each file was open.
    std::map<std::string, int> cursorWhileOpen;
    SetFileAccessObserverForTesting([&](const std::string& path) {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        cursorWhileOpen[path] = cursor ? cursor->shape() : -1;
    });
    struct Case {
        int tab;
        const char* button;
        const char* file;
    };
    const Case cases[] = {
        {kTabCalibration, "saveData", "data.cal"},      {kTabCalibration, "loadData", "data.cal"},
        {kTabCalibration, "saveTarget", "targets.txt"}, {kTabCalibration, "loadTarget", "targets.txt"},
        {kTabMeasure, "saveReport", "report.xlsx"},     {kTabMeasure, "saveReport", "report.txt"},
        {kTabMeasure, "saveLog", "log.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + c.file);
        const std::string path = directory + "/" + c.file;
        find<QTabWidget>("tabs")->setCurrentIndex(c.tab);
        QApplication::processEvents();
        cursorWhileOpen.clear();
        QTimer::singleShot(0, [path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(find<QPushButton>(c.button), Qt::LeftButton);
        clock.runFor(10);
        ASSERT_EQ(cursorWhileOpen.count(path), 1u) << "the file was not read or written";
        EXPECT_EQ(cursorWhileOpen[path], Qt::WaitCursor);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the cursor comes back";
    }
    SetFileAccessObserverForTesting({});
    for (QMessageBox* box : app->window().findChildren<QMessageBox*>("stationMessage")) {
        box->close();
    }
}


TEST_F(Window, ANameTypedWithoutAnExtensionTakesThatOfTheFilterShown) {
    open();
    struct Case {
        const char* filter;
        const char* expected;
    };
    for (const Case c : {Case{"Save Certificate (*.pdf)", ".pdf"}, Case{"Save Report (*.txt)", ".txt"},
                         Case{"Save Report (*.xlsx)", ".xlsx"}}) {
        const QString filter = c.filter;
        const QString bare = QString::fromStdString(directory + "/VRL000042");
        QTimer::singleShot(0, [filter, bare] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            // As the operator picks it from the dialog's list of file types.
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            ASSERT_NE(types, nullptr);
            const int index = types->findText(filter, Qt::MatchStartsWith);
            ASSERT_GE(index, 0);
            types->setCurrentIndex(index);
            Q_EMIT types->activated(index);
            Q_EMIT types->textActivated(types->itemText(index));
            dialog->selectFile(bare);
            static_cast<QDialog*>(dialog)->accept();
        });
        const std::optional<std::string> chosen = app->ui().chooseSavePath(kReportFilter, "VRL000042.xlsx");
        ASSERT_TRUE(chosen.has_value()) << c.filter;
        EXPECT_EQ(*chosen, directory + "/VRL000042" + c.expected) << c.filter;
    }
}
}  // namespace
}  // namespace halvo::gui

// The window's results: the runs a station records, the monitor's earlier runs one click away
// (a run opens its verification and loads its calibration data into the Calibration page), and
// the dialog that says where the records go, which writes Station.ini and never Config.ini.

#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "caldata/cal_file.h"
#include "common/file_io.h"
#include "gui/results_settings_dialog.h"
#include "gui/run_history_dialog.h"
#include "gui_fixture.h"
#include "results/results_store.h"
#include "results/run_recorder.h"
#include "results/sample_records.h"
#include "support/scoped_env.h"
#include "support/silent_server.h"

namespace halvo::gui {
namespace {

class ResultsWindow : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        dataHome = std::make_unique<halvo::test::ScopedEnv>("XDG_DATA_HOME", directory + "/data");
        database = directory + "/data/halvo/results.sqlite";
    }
    void TearDown() override {
        WindowFixture::TearDown();
        dataHome.reset();
    }
    void connectStation() {
        QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
        ASSERT_TRUE(clock.runUntil([&] { return !clock.isArmed(kTimerIdentify); }, 20000));
        clock.runFor(2000);
    }
    void store(const std::vector<results::RunRecord>& runs) {
        std::string problem;
        auto db = results::OpenLocalResults(database, &problem);
        ASSERT_TRUE(db) << problem;
        results::ResultsStore s(*db);
        for (const results::RunRecord& r : runs) {
            ASSERT_EQ(s.put(r, false, &problem), results::PutResult::Stored) << problem;
        }
    }
    std::vector<results::RunRecord> stored() {
        std::string error;
        auto db = results::SqliteDatabase::Open(database, results::SqliteDatabase::Mode::ReadOnly, 1000, &error);
        std::vector<results::RunRecord> runs;
        if (db) {
            results::ResultsStore s(*db);
            s.list({}, runs, &error);
        }
        return runs;
    }
    std::unique_ptr<halvo::test::ScopedEnv> dataHome;
    std::string database;
};

TEST_F(ResultsWindow, AMonitorsEarlierRunOpensItsVerificationAndLoadsItsCalibrationData) {
    open(true);
    connectStation();
    CHalvoDlg& station = app->station();
    const std::string id = station.calibrationId;
    ASSERT_FALSE(id.empty());
    // A calibration of this monitor on another station, and the verification that followed it.
    CalibrationData data;
    data.calibrationId = id;
    data.gammaText = "2.31";
    results::RunRecord calibration = halvo::test::SampleRecord(results::RunKind::Calibration, 1);
    calibration.calibrationId = id;
    calibration.calText = WriteCalFile(data);
    results::RunRecord verification = halvo::test::SampleRecord(results::RunKind::Verification, 2);
    verification.calibrationId = id;
    verification.parentRunId = calibration.runId;
    verification.startedAt = "2024-05-01T15:00:00.000Z";
    results::RunRecord other = halvo::test::SampleRecord(results::RunKind::Aging, 3);
    other.calibrationId = "SOMEONE";
    other.serialNumber = "ELSE";
    store({calibration, verification, other});

    auto* runs = find<QPushButton>("runsButton");
    ASSERT_TRUE(runs->isEnabled()) << "one click away once connected";
    QTest::mouseClick(runs, Qt::LeftButton);
    // The dialog classes carry no meta-object of their own: found by name, cast checked.
    auto* dialog = dynamic_cast<RunHistoryDialog*>(app->window().findChild<QDialog*>("RunHistoryDialog"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !dialog->loading(); }, 10000));
    auto* list = dialog->findChild<QTableWidget*>("historyList");
    ASSERT_EQ(list->rowCount(), 2) << "only this monitor's runs";
    EXPECT_EQ(list->item(0, 3)->text(), "verification");
    EXPECT_EQ(list->item(0, 0)->text(), "2024-05-01 15:00:00");
    EXPECT_EQ(list->item(0, 1)->text(), QString::fromStdString(verification.station));
    EXPECT_EQ(list->item(1, 3)->text(), "calibration");
    EXPECT_EQ(list->item(1, 4)->text(), "completed");

    // The calibration shows the verification after it, and its data can be loaded.
    list->setCurrentCell(1, 0);
    auto* items = dialog->findChild<QTableWidget*>("historyItems");
    auto* load = dialog->findChild<QPushButton*>("historyLoad");
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return load->isEnabled(); }, 10000));
    ASSERT_EQ(items->rowCount(), static_cast<int>(verification.items.size()));
    EXPECT_EQ(items->item(2, 5)->text(), "OR");
    EXPECT_EQ(items->item(1, 4)->text(), "\u2264 0.0030");
    EXPECT_TRUE(dialog->findChild<QLabel*>("historyDetailHeading")->text().contains("2 item(s) out of range"));
    QTest::mouseClick(load, Qt::LeftButton);
    EXPECT_EQ(station.calib().gammaField.text, "2.31");
    EXPECT_EQ(station.calib().data.calibrationId, id);
    EXPECT_EQ(station.window().selectedTab, kTabCalibration);
}

TEST_F(ResultsWindow, TheWindowsRunsAreRecorded) {
    open(true);
    connectStation();
    app->station().setup().serialNumber.text = "SN-77";
    app->station().handleOperatorCommand(7, 1);  // "Read from Eeprom"
    const std::vector<results::RunRecord> runs = stored();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].kind, results::RunKind::EepromRead);
    EXPECT_EQ(runs[0].serialNumber, "SN-77");
    EXPECT_EQ(runs[0].station, HostName());
}

TEST_F(ResultsWindow, TheSettingsGoIntoStationIniAndATestNeverHoldsTheWindowUp) {
    open(true);
    std::string config;
    ASSERT_TRUE(ReadWholeFile(directory + "/Config.ini", config, nullptr));
    // A server that takes the connection and never answers.
    auto silent = std::make_unique<halvo::test::SilentServer>();
    const QString url = QString::fromStdString(silent->url());

    ResultsSettingsDialog dialog(directory, &app->window());
    dialog.findChild<QLineEdit*>("resultsStation")->setText("line-4");
    dialog.findChild<QLineEdit*>("resultsServer")->setText(url);
    dialog.findChild<QSpinBox*>("resultsConnectTimeout")->setValue(1);
    auto* status = dialog.findChild<QLabel*>("resultsStatus");
    QTest::mouseClick(dialog.findChild<QPushButton*>("resultsTest"), Qt::LeftButton);
    EXPECT_EQ(status->text(), "Connecting ...") << "the answer is awaited off the window's thread";
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return status->text() != "Connecting ..."; }, 5000));
    EXPECT_TRUE(status->text().contains("no answer within 1000 ms")) << status->text().toStdString();
    silent.reset();

    ASSERT_TRUE(dialog.save());
    results::ResultsSettings saved;
    std::string error;
    ASSERT_TRUE(results::LoadResultsSettings(directory, saved, &error)) << error;
    EXPECT_EQ(saved.station, "line-4");
    EXPECT_EQ(saved.server, url.toStdString());
    EXPECT_EQ(saved.connectTimeoutSeconds, 1);
    std::string after;
    ASSERT_TRUE(ReadWholeFile(directory + "/Config.ini", after, nullptr));
    EXPECT_EQ(after, config) << "Config.ini keeps its 22 lines";
    // The station records with the new settings from now on.
    app->showResultsSettingsApplied();
    EXPECT_EQ(app->recorder().target().station, "line-4");
    EXPECT_EQ(app->station().stationName, "line-4") << "the certificates' station too";
    EXPECT_EQ(app->station().certificateSources().stationName, "line-4");
    EXPECT_EQ(app->recorder().target().serverUrl, url.toStdString());

    dialog.findChild<QLineEdit*>("resultsServer")->setText("db.line:5432");
    QString said;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->close();
        }
    });
    EXPECT_FALSE(dialog.save()) << "not a server's address";
    EXPECT_EQ(said, "The results server is given as postgresql://user@host/database.");
}

}  // namespace
}  // namespace halvo::gui

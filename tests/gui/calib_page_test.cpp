// The Calibration tab: its controls over the page model, what the operator's actions reach, a
// calibration data file loaded through its dialog, and the controls following the connection
// and the run.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "common/file_io.h"
#include "gui/spin_field.h"
#include "gui_fixture.h"

namespace halvo::gui {
namespace {

// A calibration data file as the station writes it (its 3D tables left empty): ID VRL000042,
// 10 bit, gamma table, uniformity, BT.709 and EBU at four levels, six white targets with
// their measured columns and gains.
constexpr const char* kCalFile = HALVO_GUI_TEST_DATA "/VRL000042.cal";

class CalibrationTab : public test::WindowFixture {
protected:
    // Connected to the simulated station on the virtual clock, the monitor identified, the
    // Calibration tab shown.
    void openConnected() {
        open(true);
        QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
        clock.runFor(6000);
        find<QTabWidget>("tabs")->setCurrentIndex(kTabCalibration);
        QApplication::processEvents();
    }

    QStringList headers(QTableWidget* table) {
        QStringList texts;
        for (int c = 0; c < table->columnCount(); ++c) {
            texts << table->horizontalHeaderItem(c)->text();
        }
        return texts;
    }
    QString cell(const char* table, int row, int column) {
        QTableWidgetItem* item = find<QTableWidget>(table)->item(row, column);
        return item ? item->text() : QString("<none>");
    }
    // Answers the next file dialog with `path` (the dialog runs its own event loop).
    void answerFileDialog(const QString& path) {
        QTimer::singleShot(0, [path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept() checks the name
        });
    }
    // Every control of the page that the operator can use now, by object name.
    QStringList usable() {
        QStringList names;
        QWidget* page = find<QTabWidget>("tabs")->widget(kTabCalibration);
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<QTableWidget*>(w) || dynamic_cast<SpinField*>(w);
            if (control && w->isEnabled() && !w->objectName().isEmpty()) {
                names << w->objectName();
            }
        }
        names.sort();
        return names;
    }
    Ccalib& calib() { return app->station().calib(); }
};

TEST_F(CalibrationTab, ShowsEveryGroupWithTheStationsTexts) {
    open(true);
    auto* tabs = find<QTabWidget>("tabs");
    EXPECT_TRUE(tabs->isTabEnabled(kTabCalibration));
    for (const char* group : {"whiteBalanceGroup", "colorSpaceGroup", "targetColorGroup", "bitDepthGroup", "sourceGroup"}) {
        EXPECT_NE(find<QGroupBox>(group), nullptr);
    }
    EXPECT_EQ(find<QGroupBox>("whiteBalanceGroup")->title(), "White Balance/Color Temperature");
    EXPECT_EQ(find<QGroupBox>("sourceGroup")->title(), "Monitor source/Backlight");

    auto* white = find<QTableWidget>("whiteList");
    EXPECT_EQ(headers(white), QStringList({"White", "Target u'(x)", "Target v'(y)", QString::fromUtf8("Y(cd/m\u00b2)"),
                                           "T(K)", "Y", QString::fromUtf8("\u0394uv"), "R", "G", "B"}));
    ASSERT_EQ(white->rowCount(), 7);
    const QStringList labels = {"3200K", "5400K", "6500K", "7000K", "9300K", "10000K", "11000K"};
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(white->item(r, 0)->text(), labels[r]);
        EXPECT_EQ(white->item(r, 0)->checkState(), Qt::Checked) << r;
    }
    EXPECT_EQ(cell("whiteList", 2, 1), "0.1979(0.3128)");
    EXPECT_EQ(cell("whiteList", 2, 3), " 100.0");

    auto* colors = find<QTableWidget>("colorTargetList");
    EXPECT_EQ(headers(colors), QStringList({"Color", "Target x", "Target y", "Target Y", "x", "y", "Y",
                                            QString::fromUtf8("\u0394uv"), "R", "G", "B"}));
    EXPECT_EQ(cell("colorTargetList", 6, 0), "Magenta");
    EXPECT_EQ(cell("colorTargetList", 1, 1), "0.6400");
    EXPECT_EQ(headers(find<QTableWidget>("uniformityList")),
              QStringList({"T-L", "T-M", "T-R", "M-L", "Center", "M-R", "B-L", "B-M", "B-R"}));

    auto* step = find<QComboBox>("gammaStep");
    EXPECT_EQ(step->count(), 7);
    EXPECT_EQ(step->currentText(), "32");
    EXPECT_TRUE(find<QCheckBox>("gamma")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("gamma22")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("eightBit")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("sourceDigital")->isChecked());
    EXPECT_EQ(find<QComboBox>("colorSpaceList")->currentText(), "Native");
    for (const char* box : {"targetBT709", "targetSMPTEC", "targetEBU", "targetNTSC", "targetDCinema"}) {
        EXPECT_TRUE(find<QCheckBox>(box)->isChecked()) << box;
    }
    EXPECT_EQ(find<QPushButton>("colorPriority")->text(), "Color Priority ");
    EXPECT_EQ(find<QLabel>("statusText")->text(), "Ready..");
    EXPECT_EQ(find<QPushButton>("autoCalibration")->text(), "Calibrate");

    // Disconnected, nothing on the page can be used, the start button included.
    EXPECT_EQ(usable(), QStringList());
}

TEST_F(CalibrationTab, ControlsFollowTheConnectionAndTheRun) {
    openConnected();
    // The identified monitor is a 10-bit model; colour-space choices wait for "Color Space",
    // the manual gains for a selected row.
    EXPECT_TRUE(find<QRadioButton>("tenBit")->isChecked());
    const QStringList connected = usable();
    for (const char* name : {"whiteList", "whiteLoad", "gamma", "gammaStep", "tenBit", "sourceRgb", "backlight",
                             "colorSpace", "uniformity", "loadData", "saveTarget", "copyData", "autoCalibration"}) {
        EXPECT_TRUE(connected.contains(name)) << name;
    }
    for (const char* name : {"gainRed", "colorSpaceList", "level", "colorPriority", "targetEBU", "colorSpaceClear"}) {
        EXPECT_FALSE(connected.contains(name)) << name;
    }

    clickBox(find<QCheckBox>("colorSpace"));
    EXPECT_TRUE(calib().colorSpaceCheck.checked);
    EXPECT_EQ(find<QComboBox>("colorSpaceList")->currentText(), "BT.709");
    EXPECT_TRUE(find<QCheckBox>("targetEBU")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("colorPriority")->isEnabled());  // until "Level"
    clickBox(find<QCheckBox>("level"));
    EXPECT_TRUE(find<QComboBox>("levelList")->isEnabled());
    QTest::mouseClick(find<QPushButton>("colorPriority"), Qt::LeftButton);
    EXPECT_EQ(find<QPushButton>("colorPriority")->text(), "White Priority");
    EXPECT_TRUE(calib().colorPriority.checked);
    // The box takes the seventh target out of the list, and the station leaves it out while
    // the box is checked; cleared, 11000 K comes back.
    EXPECT_EQ(find<QTableWidget>("whiteList")->rowCount(), 6);
    clock.runFor(10);
    EXPECT_EQ(find<QTableWidget>("whiteList")->rowCount(), 6);
    clickBox(find<QCheckBox>("colorSpace"));
    clock.runFor(10);
    EXPECT_EQ(find<QTableWidget>("whiteList")->rowCount(), 7);
    EXPECT_EQ(cell("whiteList", 6, 0), "11000K");
    clickBox(find<QCheckBox>("colorSpace"));
    clock.runFor(10);

    // A calibration run leaves only its button, which reads "Stop".
    app->station().setRunControlsEnabled(false, 2);
    EXPECT_EQ(usable(), QStringList({"autoCalibration"}));
    EXPECT_EQ(find<QPushButton>("autoCalibration")->text(), "Stop");
    // A measurement run leaves nothing.
    app->station().setRunControlsEnabled(true);
    app->station().setRunControlsEnabled(false, 1);
    EXPECT_EQ(usable(), QStringList());
    app->station().setRunControlsEnabled(true);
    EXPECT_TRUE(usable().contains("colorPriority"));

    QTest::mouseClick(find<QPushButton>("connectButton"), Qt::LeftButton);
    EXPECT_EQ(usable(), QStringList());
}

TEST_F(CalibrationTab, LoadingACalFileFillsTheTab) {
    openConnected();
    answerFileDialog(kCalFile);
    QTest::mouseClick(find<QPushButton>("loadData"), Qt::LeftButton);
    clock.runFor(10);  // the page's events reach the controller
    ASSERT_FALSE(app->ui().messages().empty());
    EXPECT_EQ(app->ui().messages().back().rfind("VRL000042 calibration data loaded sucessfully.\n", 0), 0u);

    EXPECT_EQ(find<QLineEdit>("calId")->text(), "VRL000042");
    EXPECT_EQ(find<QLineEdit>("measuredGamma")->text(), "2.21");
    EXPECT_EQ(find<QLineEdit>("temperature")->text(), "6504");
    EXPECT_EQ(find<SpinField>("backlight")->text(), "80");
    EXPECT_TRUE(find<QRadioButton>("tenBit")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("gamma")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("uniformity")->isChecked());
    EXPECT_EQ(cell("uniformityList", 0, 4), "200.00");

    // A loaded set keeps six targets in the list; measured columns and gains as the file has them.
    auto* white = find<QTableWidget>("whiteList");
    ASSERT_EQ(white->rowCount(), 6);
    EXPECT_EQ(white->item(3, 0)->text(), "JUDD-OFFSET");
    EXPECT_EQ(cell("whiteList", 0, 4), " 3207");
    EXPECT_EQ(cell("whiteList", 5, 6), "0.0002");
    EXPECT_EQ(cell("whiteList", 5, 9), "223");

    // Four levels of BT.709 and EBU.
    EXPECT_TRUE(find<QCheckBox>("colorSpace")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("level")->isChecked());
    auto* levels = find<QComboBox>("levelList");
    ASSERT_EQ(levels->count(), 4);
    EXPECT_EQ(levels->itemText(1), "221");
    EXPECT_TRUE(find<QCheckBox>("targetBT709")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("targetSMPTEC")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("targetEBU")->isChecked());
    EXPECT_EQ(cell("colorTargetList", 0, 4), "0.3130");
    EXPECT_EQ(cell("colorTargetList", 0, 8), "247");

    // Choosing the second level shows its targets (Y scaled for level 221) and its results.
    levels->setCurrentIndex(1);
    levels->activated(1);
    clock.runFor(10);
    EXPECT_EQ(calib().shownLevel, 2);
    EXPECT_EQ(cell("colorTargetList", 0, 3), "  73.0");
    EXPECT_NE(cell("colorTargetList", 0, 4), "0.3130");
    EXPECT_FALSE(cell("colorTargetList", 0, 4).trimmed().isEmpty());

    // What the tab holds is what Save writes.
    const std::string saved = directory + "/again.cal";
    answerFileDialog(QString::fromStdString(saved));
    QTest::mouseClick(find<QPushButton>("saveData"), Qt::LeftButton);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(saved, text, nullptr));
    EXPECT_NE(text.find("\r\nI,VRL000042\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nG,5,0.1903(0.2806),0.4399(0.2883), 100.0,10012, 100.3,0.0002,192,235,223\r\n"),
              std::string::npos);
}

TEST_F(CalibrationTab, CopyWritesTheLoadedDataIntoTheMonitorWithProgress) {
    openConnected();
    ASSERT_TRUE(calib().loadFile(kCalFile));
    clock.runFor(10);
    // "Do you want to copy?" answered Yes.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "All color data will be changed. Do you want to copy?");
        box->button(QMessageBox::Yes)->click();
    });
    QTest::mouseClick(find<QPushButton>("copyData"), Qt::LeftButton);
    clock.runFor(60000);
    QApplication::processEvents();
    ASSERT_TRUE(app->station().engine().upload().running());
    // Nothing else may talk to the monitor meanwhile; the bar and the status show the progress.
    EXPECT_EQ(usable(), QStringList());
    EXPECT_FALSE(find<QPushButton>("measureButton")->isEnabled());
    EXPECT_TRUE(find<QLabel>("statusText")->text().endsWith("%"));
    EXPECT_NE(find<QLabel>("statusText")->text(), "  0%");

    clock.runUntil([&] { return !app->station().engine().upload().running(); }, 3600000);
    QApplication::processEvents();
    EXPECT_EQ(app->ui().messages().back(), "Calibration data is copied successfully.\n Please restart monitor.");
    EXPECT_EQ(find<QLabel>("statusText")->text(), "100%");
    EXPECT_TRUE(find<QPushButton>("copyData")->isEnabled());
    auto* message = app->window().findChild<QMessageBox*>("stationMessage");
    ASSERT_NE(message, nullptr);
    message->close();
}

TEST_F(CalibrationTab, FastCalibrationChoosesTheFastRunAndIsLockedDuringARun) {
    openConnected();
    auto* fast = find<QCheckBox>("fastCalibration");
    EXPECT_EQ(fast->text(), "Fast calibration");
    ASSERT_TRUE(fast->isEnabled());
    EXPECT_EQ(app->station().runMode(), RunMode::Prescribed);
    clickBox(fast);
    EXPECT_TRUE(calib().fastCalibration.checked);
    EXPECT_EQ(app->station().runMode(), RunMode::Fast);
    // Kept in the station's own settings file, never in Config.ini.
    std::string ini;
    ASSERT_TRUE(ReadWholeFile(directory + "/Station.ini", ini, nullptr));
    EXPECT_NE(ini.find("[Calibration]\r\nFastCalibration=1\r\n"), std::string::npos) << ini;
    std::string config;
    ASSERT_TRUE(ReadWholeFile(directory + "/Config.ini", config, nullptr));
    EXPECT_EQ(config.find("Fast"), std::string::npos);
    clickBox(find<QPushButton>("autoCalibration"));
    clock.runFor(3000);
    EXPECT_FALSE(fast->isEnabled());
    EXPECT_NE(app->station().log().text().find("CAL: Fast calibration: readings taken once settled"),
              std::string::npos);
}

TEST_F(CalibrationTab, OperatorActionsReachTheStation) {
    openConnected();
    auto* white = find<QTableWidget>("whiteList");

    // Clearing a check mark marks the target as not chosen in the station.
    const QRect box = white->visualItemRect(white->item(1, 0));
    QTest::mouseClick(white->viewport(), Qt::LeftButton, {}, QPoint(box.left() + 10, box.center().y()));
    clock.runFor(10);
    EXPECT_FALSE(calib().whiteList.rows[1].checked);
    EXPECT_FALSE(app->station().whiteTargets[1].chosen);

    // Selecting a row opens the manual gains; a step sends them to the monitor's preset.
    white->selectRow(2);
    EXPECT_EQ(calib().whiteList.selected, 2);
    auto* red = find<SpinField>("gainRed");
    ASSERT_TRUE(red->isEnabled());
    EXPECT_EQ(red->text(), "");
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(red, Qt::Key_Up);
    }
    EXPECT_EQ(red->text(), "5");
    EXPECT_EQ(cell("whiteList", 2, 7), "  5");
    clock.runFor(10);
    const std::string log = app->station().log().text();
    EXPECT_NE(log.find("Set color temperature(6500)"), std::string::npos) << log;
    EXPECT_NE(log.find("RGB gain(5,0,0)"), std::string::npos) << log;

    // A typed gain is limited to 255; Enter confirms it.
    red->setFocus();
    red->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(red, "300");
    QTest::keyClick(red, Qt::Key_Return);
    EXPECT_EQ(red->text(), "255");
    EXPECT_EQ(calib().manualGain(0), 255);

    // Radios and lists are the model's.
    QTest::mouseClick(find<QRadioButton>("gamma235"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(calib().data.targetGamma, 2.35);
    auto* step = find<QComboBox>("gammaStep");
    step->setCurrentIndex(4);
    step->activated(4);
    EXPECT_EQ(calib().gammaStep.text(), "256");

    // The station's own changes show without the operator: a run's progress, say.
    calib().progressMaximum = 41;
    calib().progressPosition = 14;
    calib().statusText = " 34%";
    calib().gammaField.text = "2.19";
    app->ui().refresh();
    EXPECT_EQ(find<QProgressBar>("progress")->maximum(), 41);
    EXPECT_EQ(find<QProgressBar>("progress")->value(), 14);
    EXPECT_EQ(find<QLabel>("statusText")->text(), " 34%");
    EXPECT_EQ(find<QLineEdit>("measuredGamma")->text(), "2.19");
}

}  // namespace
}  // namespace halvo::gui

namespace halvo::gui {
namespace {

TEST_F(CalibrationTab, TheWhiteListHasRoomForANegativeDuv) {
    openConnected();
    // A white point's Δuv is written "%7.5lf": eight characters when it is negative.
    calib().whiteList.rows[2].cells[6] = "-0.00028";
    app->ui().refresh();
    ASSERT_EQ(cell("whiteList", 2, 6), "-0.00028");
    QTableWidget* list = find<QTableWidget>("whiteList");
    // 14: the room for the cell's margins that the table gives each column's widest text.
    EXPECT_GE(list->columnWidth(6), list->fontMetrics().horizontalAdvance("-0.00028") + 14);
}

TEST_F(CalibrationTab, CalibrateRunsTheWhitePointLiveAndStopEndsARun) {
    openConnected();
    // One white point only, no gamma: a short run on the virtual clock.
    QCheckBox* gamma = find<QCheckBox>("gamma");
    if (gamma->isChecked()) {
        QTest::mouseClick(gamma, Qt::LeftButton);
    }
    for (size_t t = 0; t < calib().whiteList.rows.size(); ++t) {
        if (t != 2 && calib().whiteList.rows[t].checked) {
            calib().onWhiteRowChecked(static_cast<int>(t), false);
        }
    }
    clock.runFor(10);
    QPushButton* start = find<QPushButton>("autoCalibration");
    QTest::mouseClick(start, Qt::LeftButton);
    clock.runFor(10);
    QApplication::processEvents();
    EXPECT_EQ(start->text(), "Stop");
    clock.runUntil([&] { return app->station().notices().completionOpen; }, 30 * 60 * 1000);
    QApplication::processEvents();
    ASSERT_TRUE(app->station().notices().completionOpen);
    EXPECT_EQ(start->text(), "Calibrate");
    EXPECT_EQ(find<QLabel>("statusText")->text(), "100%");
    // The accepted gains show in the 6500 K row.
    const Rgb8& g = calib().data.targetGains[2];
    EXPECT_EQ(cell("whiteList", 2, 7).trimmed(), QString::number(g[0]));
    app->station().onCompletionCancel();
    clock.runFor(17000);  // the countdown stores the calibration

    // A longer run, stopped by the same button.
    QTest::mouseClick(gamma, Qt::LeftButton);
    QTest::mouseClick(start, Qt::LeftButton);
    clock.runFor(20000);
    QApplication::processEvents();
    EXPECT_EQ(start->text(), "Stop");
    QTest::mouseClick(start, Qt::LeftButton);
    clock.runFor(100);
    QApplication::processEvents();
    EXPECT_EQ(start->text(), "Calibrate");
    EXPECT_EQ(find<QLabel>("statusText")->text(), "Ready..");
}

}  // namespace
}  // namespace halvo::gui

// Takes the window's pictures for the README and for looking at it: the Setup page after
// connecting to the simulated station, the Calibration page with a calibration data file
// loaded and during a run, the completion notice and the About box. It also lists
// the keyboard focus chain and any label or button whose text does not fit its widget.
//
//   halvo_gui_screenshots OUTPUT_DIR [WIDTH HEIGHT] [--frames]
//
// --frames takes the pictures from the screen, with the window manager's title bars, and shows
// the main window maximised (under Xvfb with a window manager running). Runs in a scratch
// working directory of its own (Config.ini is written there).

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "gui/about_box.h"
#include "gui/station_app.h"
#include "gui_fixture.h"

using namespace halvo;
using namespace halvo::gui;

namespace {

bool g_frames = false;

void Save(QWidget* widget, const QString& path) {
    QPixmap picture = widget->grab();
    if (g_frames) {
        const QRect frame = widget->frameGeometry();
        picture = widget->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }
    // Quality 0 asks for the strongest compression: the README's pictures stay small.
    const bool ok = picture.save(path, "PNG", 0);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), widget->width(), widget->height());
}

void ReportCutOffTexts(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else {
            continue;
        }
        if (!text.isEmpty() && (w->width() < w->minimumSizeHint().width() || w->height() < w->minimumSizeHint().height())) {
            std::printf("cut off: %s '%s' %dx%d < %dx%d\n", w->metaObject()->className(), qPrintable(text), w->width(),
                        w->height(), w->minimumSizeHint().width(), w->minimumSizeHint().height());
        }
    }
}

void ReportFocusChain(QWidget* window) {
    std::printf("focus chain:");
    QWidget* start = window;
    QWidget* w = start->nextInFocusChain();
    int guard = 0;
    while (w != start && guard++ < 500) {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && w->window() == window) {
            QString what = w->objectName();
            if (what.isEmpty()) {
                what = w->metaObject()->className();
            }
            std::printf(" %s", qPrintable(what));
        }
        w = w->nextInFocusChain();
    }
    std::printf("\n");
}

// The window on a virtual clock of its own, connected to the simulated station and measuring.
struct ConnectedWindow {
    ConnectedWindow(int width, int height, const std::filesystem::path& scratch) {
        StationAppOptions options;
        options.simulate = true;
        options.workingDirectory = scratch.string();
        options.sound = &sound;
        options.scheduler = &clock;
        app = std::make_unique<StationApp>(options);
        app->start();
        app->window().resize(width, height);
        app->window().show();
        CHalvoDlg& station = app->station();
        station.onConnectClicked(true);
        clock.runUntil([&] { return station.links().monitorAlive() && station.links().instrumentAlive(); }, 20000);
    }

    VirtualScheduler clock;
    test::RecordingSound sound;
    std::unique_ptr<StationApp> app;
};

// The Measure page after a verification over two colour spaces, run on the virtual clock (eight
// minutes of the station's time).
void TakeMeasurePicture(const QString& out, int width, int height, const std::filesystem::path& scratch) {
    ConnectedWindow connected(width, height, scratch);
    VirtualScheduler& clock = connected.clock;
    MainWindow& window = connected.app->window();
    CHalvoDlg& station = connected.app->station();
    station.onContinuouslyToggled(false);
    CMeasure& page = station.measure();
    page.onKindToggled(kKindUniformity, true);
    page.onColorSpaceToggled(true);
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        page.onColorSpaceBoxToggled(cs, cs == 1 || cs == 4);
    }
    station.startOrStopMeasurement();
    while (clock.runUntil([&] { return station.task().CalibrationState == kTaskIdle; }, 3600000) && page.running) {
        station.startOrStopMeasurement();  // the next uniformity position
    }
    page.onTriangleToggled(true);
    page.onChartKindSelected(kChartXy);
    station.onTabChanged(kTabMeasure);
    window.refresh();
    test::ProcessEventsUntil([] { return false; }, 300);
    ReportCutOffTexts(&window);
    Save(&window, out + "/main_window_measure.png");
    station.onConnectClicked(false);
}

// The Calibration page during a full run on the virtual clock (gamma, BT.709 and EBU, the white
// points): the colour-space table filled, the white points half done, the progress bar.
void TakeCalibratingPicture(const QString& out, int width, int height, const std::filesystem::path& scratch) {
    ConnectedWindow connected(width, height, scratch);
    VirtualScheduler& clock = connected.clock;
    MainWindow& window = connected.app->window();
    CHalvoDlg& station = connected.app->station();
    Ccalib& page = station.calib();
    page.onGammaToggled(true);
    page.onColorSpaceToggled(true);
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page.onTargetBoxToggled(n, n == 0 || n == 2);
    }
    station.onTabChanged(kTabCalibration);
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(kTabCalibration);
    page.onAutoCalibration();
    const bool reached = clock.runUntil(
        [&] {
            return station.task().CalibrationState == kTaskWhitePoint && station.engine().whitePoint().iterations[4] > 0;
        },
        4 * 3600000);
    std::printf("calibration %s the fifth white point\n", reached ? "reached" : "DID NOT REACH");
    window.refresh();
    test::ProcessEventsUntil([] { return false; }, 300);
    ReportCutOffTexts(&window);
    Save(&window, out + "/main_window_calibrating.png");
    page.onAutoCalibration();  // stop
    clock.runFor(2000);
    station.onConnectClicked(false);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: halvo_gui_screenshots OUTPUT_DIR [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString out = QDir(argv[1]).absolutePath();
    std::vector<std::string> rest(argv + 2, argv + argc);
    g_frames = std::find(rest.begin(), rest.end(), "--frames") != rest.end();
    rest.erase(std::remove(rest.begin(), rest.end(), "--frames"), rest.end());
    const int width = rest.size() >= 2 ? std::atoi(rest[0].c_str()) : 1280;
    const int height = rest.size() >= 2 ? std::atoi(rest[1].c_str()) : 800;
    const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "halvo_screenshots";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);

    test::RecordingSound sound;
    StationAppOptions options;
    options.simulate = true;
    options.workingDirectory = scratch.string();
    options.sound = &sound;
    bool reading = false;
    {
    StationApp app(options);
    app.start();
    MainWindow& window = app.window();
    if (g_frames) {
        window.showMaximized();
    } else {
        window.resize(width, height);
        window.show();
    }
    test::ProcessEventsUntil([] { return false; }, 300);

    window.findChild<QPushButton*>("connectButton")->click();
    auto* list = window.findChild<QTableWidget*>("readingList");
    reading = test::ProcessEventsUntil([&] { return list->item(4, 1)->text() != "Lv"; }, 20000);
    std::printf("reading %s: Lv %s, T %s\n", reading ? "arrived" : "DID NOT ARRIVE", qPrintable(list->item(4, 1)->text()),
                qPrintable(list->item(5, 1)->text()));
    test::ProcessEventsUntil([] { return false; }, 1500);
    ReportCutOffTexts(&window);
    ReportFocusChain(&window);
    std::printf("window minimum size %dx%d\n", window.minimumSizeHint().width(), window.minimumSizeHint().height());
    if (auto* scroll = window.findChild<QWidget*>("setupPage")->findChild<QScrollArea*>()) {
        const QSize need = scroll->widget()->minimumSizeHint();
        std::printf("setup page needs %dx%d, has %dx%d%s\n", need.width(), need.height(), scroll->viewport()->width(),
                    scroll->viewport()->height(),
                    need.width() > scroll->viewport()->width() || need.height() > scroll->viewport()->height()
                        ? " (scrolls)"
                        : "");
    }
    Save(&window, out + "/main_window_setup.png");

    // The Calibration page as an operator sees it after loading a monitor's calibration data.
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(kTabCalibration);
    app.station().calib().loadFile(HALVO_GUI_TEST_DATA "/VRL000042.cal");
    test::ProcessEventsUntil([] { return false; }, 500);
    for (QMessageBox* box : window.findChildren<QMessageBox*>()) {
        box->close();
    }
    test::ProcessEventsUntil([] { return false; }, 300);
    ReportCutOffTexts(&window);
    for (auto* scroll : window.findChildren<QScrollArea*>()) {
        if (scroll->isVisible()) {
            const QSize need = scroll->widget()->minimumSizeHint();
            std::printf("%s needs %dx%d, has %dx%d\n", qPrintable(scroll->parentWidget()->objectName()), need.width(),
                        need.height(), scroll->viewport()->width(), scroll->viewport()->height());
        }
    }
    for (auto* table : window.findChildren<QTableWidget*>()) {
        if (table->isVisible() && (table->horizontalScrollBar()->isVisible() || table->verticalScrollBar()->isVisible())) {
            std::printf("scrolls: %s\n", qPrintable(table->objectName()));
        }
    }
    Save(&window, out + "/main_window_calibration.png");

    app.station().calibrationCompleted();
    test::ProcessEventsUntil([] { return false; }, 2300);
    ReportCutOffTexts(window.notices().completion());
    Save(window.notices().completion(), out + "/completion_notice.png");
    window.notices().completion()->reject();

    window.showAbout();
    test::ProcessEventsUntil([] { return false; }, 300);
    ReportCutOffTexts(window.aboutBox());
    Save(window.aboutBox(), out + "/about_box.png");
    window.aboutBox()->accept();

    window.findChild<QPushButton*>("connectButton")->click();
    }
    TakeMeasurePicture(out, width, height, scratch);
    TakeCalibratingPicture(out, width, height, scratch);
    std::filesystem::remove_all(scratch);
    return reading ? 0 : 1;
}

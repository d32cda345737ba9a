#pragma once

// The station window on Qt's offscreen platform, in a directory of its own, with the simulated
// station available and the sounds recorded instead of played.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/station_app.h"

// Readable failure messages for Qt's strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (const QString& text : list) {
        *out << ' ';
        PrintTo(text, out);
    }
    *out << " }";
}
QT_END_NAMESPACE

namespace halvo::gui::test {

class RecordingSound : public SoundOutput {
public:
    void play(const std::string& path, bool loop) override {
        played.push_back(path);
        looping = loop;
        playing = true;
    }
    void stop() override { playing = false; }

    std::vector<std::string> played;
    bool looping = false;
    bool playing = false;
};

// Lets Qt run until done() holds; false when maxMs of wall time passed first.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int maxMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > maxMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        directory = ::testing::TempDir() + "halvo_gui_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
    }
    void TearDown() override {
        app.reset();
        std::filesystem::remove_all(directory);
    }

    // The window as `halvo --simulate` opens it, on Qt's timers or on the virtual clock.
    void open(bool onVirtualClock = false) {
        Scheduler* scheduler = onVirtualClock ? &clock : nullptr;
        StationAppOptions options;
        options.simulate = simulate;
        options.workingDirectory = directory;
        options.enumeratePorts = enumeratePorts;
        options.scheduler = scheduler;
        options.sound = &sound;
        options.soundDirectories = {directory, HALVO_SOUND_DIR};
        app = std::make_unique<StationApp>(options);
        app->start();
        app->window().show();
        QApplication::processEvents();
    }
    void close() { app.reset(); }

    // A check box is clicked on its box: its centre may lie beyond its text.
    static void clickBox(QWidget* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

    template <typename T>
    T* find(const char* name) {
        T* widget = app->window().findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    std::string directory;
    VirtualScheduler clock;  // outlives the window built on it
    bool simulate = true;
    std::function<std::vector<std::string>()> enumeratePorts;
    RecordingSound sound;
    std::unique_ptr<StationApp> app;
};

}  // namespace halvo::gui::test

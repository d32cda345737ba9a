#pragma once

// What the station asks of the operator, answered with Qt: message boxes, questions and file
// dialogs, the notices, the sounds, and redrawing the window when the models changed.

#include <string>
#include <vector>

#include "gui/qt_scheduler.h"
#include "gui/sound_output.h"
#include "station/station_ui.h"

namespace halvo::gui {

class MainWindow;

class QtStationUi : public StationUi {
public:
    // soundDirectories: where the sound files are looked for, in order.
    QtStationUi(SoundOutput& sound, std::vector<std::string> soundDirectories);

    // The window that shows the station; nullptr while there is none (the station is being
    // built or torn down). scheduler: held while a dialog the station waits on is open (nullptr
    // when the timers are not Qt's).
    void attach(MainWindow* window, QtScheduler* scheduler);

    void messageBox(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> chooseOpenPath(const std::string& filter, const std::string& suggested) override;
    std::optional<std::string> chooseSavePath(const std::string& filter, const std::string& suggested) override;
    void playSound(Sound sound, bool loop) override;
    void stopSound() override;
    void noticesChanged(const NoticeState& notices) override;
    void refresh() override;
    void beginBusy() override;
    void endBusy() override;

    // The sound file that would be played: the first directory that has it; "" when none has.
    std::string soundPath(Sound sound) const;
    // Every message shown, in order.
    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::optional<std::string> choosePath(bool save, const std::string& filter, const std::string& suggested);

    SoundOutput& sound_;
    std::vector<std::string> soundDirectories_;
    MainWindow* window_ = nullptr;
    QtScheduler* scheduler_ = nullptr;
    NoticeState notices_;
    std::vector<std::string> messages_;
};

}  // namespace halvo::gui

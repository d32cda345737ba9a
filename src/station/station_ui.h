#pragma once

// Everything the station asks of a person or a screen. The Qt window implements it with widgets,
// halvo-cli answers from its options and prints, tests script it and record what was asked.

#include <optional>
#include <string>
#include <vector>

namespace halvo {

enum class Sound { Error, Success, Fail };

// The modeless notices the controller keeps open or closed; the front end shows them.
struct NoticeState {
    bool failureOpen = false;     // "Warnning": "Color calibration has failed!!"
    bool completionOpen = false;  // "Auto calibration has completed. "
    std::string countdownText;    // shown after "Automatically saved after"
    bool warningOpen = false;     // "Warning!!": copy confirmation
    std::string warningSource;    // "Source :"
    std::string warningTarget;    // "Target :"
};

class StationUi {
public:
    virtual ~StationUi() = default;

    // A message box with an OK button (the station's messages, exactly as given).
    virtual void messageBox(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // File dialogs. filter is in the station's form ("Calibration data (*.cal)|*.cal"); nullopt
    // when the operator cancels.
    virtual std::optional<std::string> chooseOpenPath(const std::string& filter, const std::string& suggested) = 0;
    virtual std::optional<std::string> chooseSavePath(const std::string& filter, const std::string& suggested) = 0;

    // Sounds from the working directory: played once, or looping until stopSound().
    virtual void playSound(Sound sound, bool loop) = 0;
    virtual void stopSound() = 0;

    // The notices changed (opened, closed, countdown).
    virtual void noticesChanged(const NoticeState& notices) = 0;
    // Page models or main-window state changed: redraw what shows them.
    virtual void refresh() = 0;

    // A file is being read or written, or a report put together: the front end shows that it is
    // busy (a wait cursor) until the matching end. Pairs may nest.
    virtual void beginBusy() {}
    virtual void endBusy() {}
};

// Busy for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(StationUi& ui) : ui_(ui) { ui_.beginBusy(); }
    ~BusyScope() { ui_.endBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    StationUi& ui_;
};

// A StationUi that asks nobody: messages are kept, questions answered No, dialogs cancelled,
// sounds ignored. For tests and as a base for front ends that override a few calls.
class QuietStationUi : public StationUi {
public:
    void messageBox(const std::string& text) override { messages.push_back(text); }
    bool askYesNo(const std::string& text) override {
        messages.push_back(text);
        return yesAnswer;
    }
    std::optional<std::string> chooseOpenPath(const std::string&, const std::string&) override { return openPath; }
    std::optional<std::string> chooseSavePath(const std::string&, const std::string&) override { return savePath; }
    void playSound(Sound sound, bool loop) override {
        lastSound = sound;
        soundLooping = loop;
        ++soundsPlayed;
    }
    void stopSound() override { ++soundsStopped; }
    void noticesChanged(const NoticeState& n) override { notices = n; }
    void refresh() override { ++refreshes; }
    void beginBusy() override { ++busyDepth; }
    void endBusy() override { --busyDepth; }

    std::vector<std::string> messages;
    bool yesAnswer = false;
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    std::optional<Sound> lastSound;
    bool soundLooping = false;
    int soundsPlayed = 0;
    int soundsStopped = 0;
    NoticeState notices;
    int refreshes = 0;
    int busyDepth = 0;
};

// Pages post operator commands, (group, item) pairs, to the controller, which carries them out
// in the order posted.
class CommandSink {
public:
    virtual ~CommandSink() = default;
    virtual void postOperatorCommand(int group, int item) = 0;
};

}  // namespace halvo

#pragma once

// The station's questions answered by halvo-cli: messages go to stderr, file dialogs take the
// paths the command line gave, the completion notice is answered as told, sounds are silent.

#include <cstdio>
#include <optional>
#include <string>

#include "station/station_ui.h"

namespace halvo::cli {

class CliStationUi : public StationUi {
public:
    explicit CliStationUi(std::FILE* err) : err_(err) {}

    void messageBox(const std::string& text) override {
        std::fprintf(err_, "halvo-cli: %s\n", text.c_str());
        messages.push_back(text);
    }
    bool askYesNo(const std::string& text) override {
        std::fprintf(err_, "halvo-cli: %s (answered %s)\n", text.c_str(), yes ? "Yes" : "No");
        return yes;
    }
    std::optional<std::string> chooseOpenPath(const std::string&, const std::string&) override { return openPath; }
    std::optional<std::string> chooseSavePath(const std::string&, const std::string&) override { return savePath; }
    void playSound(Sound, bool) override {}
    void stopSound() override {}
    void noticesChanged(const NoticeState& n) override { notices = n; }
    void refresh() override {}

    std::vector<std::string> messages;
    bool yes = false;
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    NoticeState notices;

private:
    std::FILE* err_;
};

}  // namespace halvo::cli

#pragma once

// The station's own settings file, Station.ini beside Config.ini (whose 22 lines other stations
// read and which never grows): sections of Key=Value lines. Each part of the station reads and
// writes its own keys; what a file holds beyond them (another part's section, a newer program's
// keys, comments) is kept as it stands when a part saves.

#include <optional>
#include <string>
#include <vector>

namespace halvo {

inline constexpr const char* kStationSettingsFile = "Station.ini";

class SettingsText {
public:
    explicit SettingsText(const std::string& text = "");

    // The value of `key` in `section` (names compared without regard to case; the first line
    // that sets it holds), without surrounding blanks and control characters; nullopt when the
    // file does not set it.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // Sets it where it stands, else at the end of its section, which is added when missing. The
    // value is kept to one line.
    void set(const std::string& section, const std::string& key, const std::string& value);
    // The file, lines ending in CR LF.
    std::string text() const;

private:
    // The first line setting section/key, and the line after the section's last setting (or
    // after its header, or npos when the file has no such section).
    struct Place {
        size_t line = std::string::npos;
        size_t sectionEnd = std::string::npos;
    };
    Place find(const std::string& section, const std::string& key) const;

    std::vector<std::string> lines_;
};

// <directory>/Station.ini: a missing file is an empty one. False with *error for a file that
// cannot be read (or is too large to be one).
bool LoadStationSettings(const std::string& directory, SettingsText& settings, std::string* error);
// Writes it whole, readable by its owner only (a server's address may carry a password).
bool SaveStationSettings(const std::string& directory, const SettingsText& settings, std::string* error);

// The computer's host name ("unnamed station" when it has none).
std::string HostName();
// What the station calls itself on its records and certificates: the setting, else the host name.
std::string StationNameOrHostName(const std::string& setting);

}  // namespace halvo

#include "common/station_settings.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <sstream>

#include "common/file_io.h"

namespace halvo {

namespace {

constexpr size_t kMaxSettingsBytes = 64 * 1024;

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) {
        return {};
    }
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A control character would end the value early (NUL) or start a line of its own.
std::string OneLine(std::string value) {
    value.erase(std::remove_if(value.begin(), value.end(),
                               [](char c) {
                                   const auto u = static_cast<unsigned char>(c);
                                   return (u < 0x20 && c != '\t') || u == 0x7f;
                               }),
                value.end());
    return Trim(value);
}

bool Same(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// "[Results]" as "Results"; nullopt for a line that is no section header.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = OneLine(line);
    if (t.empty() || t[0] != '[') {
        return std::nullopt;
    }
    const size_t close = t.find(']');
    return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool IsComment(const std::string& t) {
    return t.empty() || t[0] == '#' || t[0] == ';';
}

std::string Join(const std::string& directory, const char* name) {
    if (directory.empty() || directory == ".") {
        return name;
    }
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

SettingsText::SettingsText(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(line);
    }
}

SettingsText::Place SettingsText::find(const std::string& section, const std::string& key) const {
    Place p;
    bool inside = false;
    bool inFirst = false;  // new keys go into the section's first appearance
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (const auto s = SectionOf(lines_[i])) {
            inside = Same(*s, section);
            inFirst = inside && p.sectionEnd == std::string::npos;
            if (inFirst) {
                p.sectionEnd = i + 1;
            }
            continue;
        }
        const std::string t = OneLine(lines_[i]);
        const size_t eq = t.find('=');
        if (!inside || IsComment(t) || eq == std::string::npos) {
            continue;
        }
        if (p.line == std::string::npos && Same(Trim(t.substr(0, eq)), key)) {
            p.line = i;
        }
        if (inFirst) {
            p.sectionEnd = i + 1;
        }
    }
    return p;
}

std::optional<std::string> SettingsText::value(const std::string& section, const std::string& key) const {
    const Place p = find(section, key);
    if (p.line == std::string::npos) {
        return std::nullopt;
    }
    const std::string t = OneLine(lines_[p.line]);
    return OneLine(t.substr(t.find('=') + 1));
}

void SettingsText::set(const std::string& section, const std::string& key, const std::string& value) {
    const std::string line = key + "=" + OneLine(value);
    const Place p = find(section, key);
    if (p.line != std::string::npos) {
        lines_[p.line] = line;
        return;
    }
    if (p.sectionEnd != std::string::npos) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(p.sectionEnd), line);
        return;
    }
    if (!lines_.empty() && !Trim(lines_.back()).empty()) {
        lines_.push_back("");
    }
    lines_.push_back("[" + section + "]");
    lines_.push_back(line);
}

std::string SettingsText::text() const {
    std::string out;
    for (const std::string& l : lines_) {
        out += l + "\r\n";
    }
    return out;
}

bool LoadStationSettings(const std::string& directory, SettingsText& settings, std::string* error) {
    settings = SettingsText();
    const std::string path = Join(directory, kStationSettingsFile);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return true;
    }
    std::string text;
    if (!ReadWholeFile(path, text, error, kMaxSettingsBytes)) {
        return false;
    }
    settings = SettingsText(text);
    return true;
}

bool SaveStationSettings(const std::string& directory, const SettingsText& settings, std::string* error) {
    const std::string path = Join(directory, kStationSettingsFile);
    if (!WriteFileAtomically(path, settings.text(), error)) {
        return false;
    }
    ::chmod(path.c_str(), 0600);
    return true;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "unnamed station";
    }
    return name;
}

std::string StationNameOrHostName(const std::string& setting) {
    return setting.empty() ? HostName() : setting;
}

}  // namespace halvo

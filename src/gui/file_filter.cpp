#include "gui/file_filter.h"

#include <vector>

namespace halvo::gui {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    parts.push_back(part);
    return parts;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "*.*" means every file to the station; on Linux it would only match names with a dot.
std::string QtPatterns(const std::string& patterns) {
    std::string out;
    for (const std::string& p : Split(patterns, ';')) {
        const std::string pattern = Trim(p) == "*.*" ? std::string("*") : Trim(p);
        if (pattern.empty()) {
            continue;
        }
        out += (out.empty() ? "" : " ") + pattern;
    }
    return out.empty() ? std::string("*") : out;
}

}  // namespace

FileFilter ToQtFileFilter(const std::string& stationFilter) {
    FileFilter result;
    const std::vector<std::string> parts = Split(stationFilter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string description = Trim(parts[i]);
        if (description.empty()) {
            break;  // the closing "||"
        }
        // Qt reads the patterns from the parentheses of the description, so they are rebuilt
        // from the pattern field rather than trusted.
        const size_t open = description.rfind('(');
        if (open != std::string::npos && description.back() == ')') {
            description = Trim(description.substr(0, open));
        }
        const std::string patterns = QtPatterns(parts[i + 1]);
        result.qtFilter += (result.qtFilter.empty() ? "" : ";;") + description + " (" + patterns + ")";
        if (result.defaultSuffix.empty() && i == 0 && patterns.rfind("*.", 0) == 0 &&
            patterns.find_first_of(" *?[", 2) == std::string::npos) {
            result.defaultSuffix = patterns.substr(2);
        }
    }
    if (result.qtFilter.empty()) {
        result.qtFilter = "All files (*)";
    }
    return result;
}

}  // namespace halvo::gui

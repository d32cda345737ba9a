#pragma once

// The station names file types the way its dialogs always have: "description|pattern" pairs
// joined by "|" and ended by "||" ("Save Report (*.txt)|*.txt||"). Qt's file dialogs want
// "description (patterns)" entries joined by ";;".

#include <string>

namespace halvo::gui {

struct FileFilter {
    std::string qtFilter;       // "Save Report (*.txt)"
    std::string defaultSuffix;  // "txt": added to a typed name without one; "" for "*.*"
};

FileFilter ToQtFileFilter(const std::string& stationFilter);

}  // namespace halvo::gui

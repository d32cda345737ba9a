#pragma once

// The state of the page's controls, plain enough for a view to bind to and for tests to read.
// Each control keeps what it shows and whether the operator can use it; nothing here knows a
// widget toolkit.

#include <string>
#include <vector>

namespace halvo {

struct ListControl {
    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;

    // The visible text of the selected entry; "" when nothing is selected.
    std::string text() const;
    // Selects the first entry with exactly this text. An unknown text leaves the selection as
    // it was and returns false.
    bool selectText(const std::string& wanted);
    bool hasIndex(int index) const { return index >= 0 && index < static_cast<int>(items.size()); }
};

struct TextControl {
    std::string text;
    bool enabled = true;
};

struct SpinControl {
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    bool enabled = true;

    int clamp(int v) const { return v < minimum ? minimum : (v > maximum ? maximum : v); }
};

struct CheckControl {
    bool checked = false;
    bool enabled = true;
};

// Buttons have fixed captions in the view; only whether they can be pressed changes.
struct ButtonControl {
    bool enabled = true;
};

// A list with columns (a report-style list view): rows of cell texts, a check mark per row
// where the list shows them, one selected row.
struct TableRow {
    std::vector<std::string> cells;
    bool checked = false;
};

struct TableControl {
    std::vector<TableRow> rows;
    int selected = -1;
    bool enabled = true;

    bool hasIndex(int index) const { return index >= 0 && index < static_cast<int>(rows.size()); }
};

struct ProgressControl {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
};

}  // namespace halvo

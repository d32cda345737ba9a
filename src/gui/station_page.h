#pragma once

// One page of the main window's tab control. Each page is a view over its page model in the
// controller; refresh() shows the model's current state.

#include <QString>
#include <QWidget>

namespace halvo::gui {

class StationPage : public QWidget {
public:
    using QWidget::QWidget;
    virtual void refresh() = 0;
    // False for a page whose work this build cannot do yet: its tab is shown disabled.
    virtual bool available() const { return true; }
    virtual QString unavailableNote() const { return {}; }
};

}  // namespace halvo::gui

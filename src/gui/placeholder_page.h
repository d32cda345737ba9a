#pragma once

// A tab whose page this build does not have yet: disabled, with a short note saying so.

#include "gui/station_page.h"

namespace halvo::gui {

class PlaceholderPage : public StationPage {
public:
    PlaceholderPage(const QString& note, QWidget* parent = nullptr);
    void refresh() override {}
    bool available() const override { return false; }
    QString unavailableNote() const override { return note_; }

private:
    QString note_;
};

}  // namespace halvo::gui

#pragma once

// The About box: the station's title and version.

#include <QDialog>

namespace halvo::gui {

class AboutBox : public QDialog {
public:
    AboutBox(const QString& text, QWidget* parent);
};

}  // namespace halvo::gui

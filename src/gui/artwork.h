#pragma once

// The window's small pictures, drawn in code so that the station ships no image files: the
// logo, the window icon and the two states of a link indicator.

#include <QIcon>
#include <QPixmap>

namespace halvo::gui {

QPixmap LogoPixmap(int height);
QIcon WindowIcon();
QPixmap IndicatorPixmap(bool on, int size);

}  // namespace halvo::gui

#include "gui/placeholder_page.h"

#include <QLabel>
#include <QVBoxLayout>

namespace halvo::gui {

PlaceholderPage::PlaceholderPage(const QString& note, QWidget* parent) : StationPage(parent), note_(note) {
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(note, this);
    label->setObjectName("placeholderNote");
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);
}

}  // namespace halvo::gui

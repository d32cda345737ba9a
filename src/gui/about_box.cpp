#include "gui/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/artwork.h"

namespace halvo::gui {

AboutBox::AboutBox(const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("AboutBox");
    setWindowTitle("About Halvo");
    setMinimumSize(280, 150);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* logo = new QLabel(this);
    logo->setPixmap(LogoPixmap(40));
    auto* title = new QLabel(text, this);
    title->setObjectName("aboutText");
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    title->setFont(font);
    row->addWidget(logo);
    row->addSpacing(12);
    row->addWidget(title, 1);
    layout->addLayout(row);
    auto* note = new QLabel("Calibration and verification station for Vorla broadcast monitors.", this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace halvo::gui

#include "gui/widget_binding.h"

#include <QSignalBlocker>

namespace halvo::gui {

namespace {

bool SameItems(const QComboBox* box, const std::vector<std::string>& items) {
    if (box->count() != static_cast<int>(items.size())) {
        return false;
    }
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).toStdString() != items[static_cast<size_t>(i)]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void ShowEnabled(QWidget* widget, bool enabled) {
    if (widget->isEnabled() != enabled) {
        widget->setEnabled(enabled);
    }
}

void ShowList(QComboBox* box, const ListControl& list) {
    const QSignalBlocker block(box);
    if (!SameItems(box, list.items)) {
        box->clear();
        for (const std::string& item : list.items) {
            box->addItem(QString::fromStdString(item));
        }
    }
    const int selected = list.hasIndex(list.selected) ? list.selected : -1;
    if (box->currentIndex() != selected) {
        box->setCurrentIndex(selected);
    }
    ShowEnabled(box, list.enabled);
}

void ShowText(QLineEdit* field, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (field->text() != wanted) {
        const QSignalBlocker block(field);
        field->setText(wanted);
    }
}

void ShowText(QLineEdit* field, const TextControl& text) {
    ShowText(field, text.text);
    ShowEnabled(field, text.enabled);
}

void ShowSpin(SpinField* field, const TextControl& text, const SpinControl& spin) {
    field->showText(text.text);
    ShowEnabled(field, text.enabled && spin.enabled);
}

void ShowCheck(QAbstractButton* box, const CheckControl& check) {
    if (box->isChecked() != check.checked) {
        const QSignalBlocker block(box);
        box->setChecked(check.checked);
    }
    ShowEnabled(box, check.enabled);
}

void ShowButton(QAbstractButton* button, const ButtonControl& state) { ShowEnabled(button, state.enabled); }

void ShowCaption(QAbstractButton* button, const std::string& caption) {
    const QString wanted = QString::fromStdString(caption);
    if (button->text() != wanted) {
        button->setText(wanted);
    }
}

void ShowProgress(QProgressBar* bar, const ProgressControl& progress) {
    if (bar->minimum() != progress.minimum || bar->maximum() != progress.maximum) {
        bar->setRange(progress.minimum, progress.maximum);
    }
    // QProgressBar repaints at once when its value changes, so the EEPROM copy shows its
    // progress even while the transfer keeps the event loop waiting.
    if (bar->value() != progress.position) {
        bar->setValue(progress.position);
    }
}

}  // namespace halvo::gui

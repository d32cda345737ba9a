#include "gui/spin_field.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace halvo::gui {

SpinField::SpinField(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAlignment(Qt::AlignRight);
    setKeyboardTracking(true);
    QObject::connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
        edited_ = true;
        if (onEdited) {
            onEdited(t.toStdString());
        }
    });
}

void SpinField::showText(const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (lineEdit()->text() != wanted) {
        lineEdit()->setText(wanted);
    }
}

std::string SpinField::text() const { return lineEdit()->text().toStdString(); }

void SpinField::stepBy(int steps) {
    // A step acts on the number in use; a half-typed number is dropped, as the model does.
    edited_ = false;
    if (onStep) {
        onStep(steps);
    }
}

QAbstractSpinBox::StepEnabled SpinField::stepEnabled() const {
    return isEnabled() && !isReadOnly() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

QValidator::State SpinField::validate(QString&, int&) const {
    // What the operator types is the model's to judge on Enter (it reads the leading number and
    // clamps it); refusing keystrokes here would stop "5000" before it could be clamped.
    return QValidator::Acceptable;
}

void SpinField::fixup(QString&) const {}

void SpinField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        commit();
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinField::focusOutEvent(QFocusEvent* event) {
    if (edited_) {
        commit();
    }
    QAbstractSpinBox::focusOutEvent(event);
}

void SpinField::commit() {
    edited_ = false;
    if (onCommit) {
        onCommit(text());
    }
}

}  // namespace halvo::gui

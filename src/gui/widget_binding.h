#pragma once

// Showing page-model controls in widgets. Each call changes the widget only where it differs
// from the model and with the widget's signals blocked, so a refresh neither flickers, nor moves
// the caret of a field being typed in, nor reports the model's own change back as the operator's.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>

#include <string>

#include "gui/spin_field.h"
#include "setup/page_controls.h"

namespace halvo::gui {

void ShowList(QComboBox* box, const ListControl& list);
void ShowText(QLineEdit* field, const TextControl& text);
void ShowText(QLineEdit* field, const std::string& text);
void ShowSpin(SpinField* field, const TextControl& text, const SpinControl& spin);
void ShowCheck(QAbstractButton* box, const CheckControl& check);
void ShowButton(QAbstractButton* button, const ButtonControl& state);
void ShowCaption(QAbstractButton* button, const std::string& caption);
void ShowProgress(QProgressBar* bar, const ProgressControl& progress);
void ShowEnabled(QWidget* widget, bool enabled);

}  // namespace halvo::gui

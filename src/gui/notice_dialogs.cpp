#include "gui/notice_dialogs.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

QLineEdit* ReadOnlyField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

QDialogButtonBox* Buttons(QDialog* dialog, QDialogButtonBox::StandardButtons which) {
    auto* box = new QDialogButtonBox(which, dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace

NoticeDialog::NoticeDialog(const char* title, int width, int height, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    setModal(false);
    // The sizes the notices have always had, as a minimum: longer texts in another font still
    // fit. The window manager draws the title in a bold font beside the icon and the close box;
    // a notice narrower than that would show "Auto calibrati... completed.".
    QFont bold = font();
    bold.setBold(true);
    const int titleWidth = QFontMetrics(bold).horizontalAdvance(title) * 11 / 10 + 90;
    setMinimumSize(std::max(width, titleWidth), height);
}

void NoticeDialog::accept() {
    if (onOk) {
        onOk();
    }
}

void NoticeDialog::reject() {
    if (onCancel) {
        onCancel();
    }
}

CErrorDlg::CErrorDlg(QWidget* parent) : NoticeDialog("Warnning", 300, 125, parent) {
    setObjectName("CErrorDlg");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Color calibration has failed!!", this));
    layout->addWidget(new QLabel("Please retry the auto calibration.", this));
    layout->addStretch(1);
    layout->addWidget(Buttons(this, QDialogButtonBox::Ok));
}

CSaveDlg::CSaveDlg(QWidget* parent) : NoticeDialog("Auto calibration has completed. ", 300, 125, parent) {
    setObjectName("CSaveDlg");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Would you like to save the data? ", this));
    auto* row = new QHBoxLayout;
    countdown_ = ReadOnlyField("countdown", this);
    countdown_->setMaximumWidth(80);
    row->addWidget(new QLabel("Automatically saved after", this));
    row->addWidget(countdown_);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    layout->addWidget(Buttons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
}

void CSaveDlg::showCountdown(const std::string& text) { ShowText(countdown_, text); }

Warning::Warning(QWidget* parent) : NoticeDialog("Warning!!", 280, 150, parent) {
    setObjectName("Warning");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Do you want to copy the Eeprom data? ", this));
    auto* ids = new QFormLayout;
    source_ = ReadOnlyField("source", this);
    target_ = ReadOnlyField("target", this);
    ids->addRow("Source :", source_);
    ids->addRow("Target :", target_);
    layout->addLayout(ids);
    layout->addStretch(1);
    layout->addWidget(Buttons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
}

void Warning::showIds(const std::string& source, const std::string& target) {
    ShowText(source_, source);
    ShowText(target_, target);
}

NoticeDialogs::NoticeDialogs(CHalvoDlg& station, QWidget* window, std::function<QRect()> pageArea)
    : pageArea_(std::move(pageArea)),
      failure_(new CErrorDlg(window)),
      completion_(new CSaveDlg(window)),
      warning_(new Warning(window)) {
    // The failure notice has only OK; closing it any other way means the same.
    failure_->onOk = [&station] { station.onFailureOk(); };
    failure_->onCancel = [&station] { station.onFailureOk(); };
    completion_->onOk = [&station] { station.onCompletionOk(); };
    completion_->onCancel = [&station] { station.onCompletionCancel(); };
    warning_->onOk = [&station] { station.onWarningOk(); };
    warning_->onCancel = [&station] { station.onWarningCancel(); };
}

void NoticeDialogs::apply(const NoticeState& state) {
    completion_->showCountdown(state.countdownText);
    warning_->showIds(state.warningSource, state.warningTarget);
    showOrHide(failure_, state.failureOpen);
    showOrHide(completion_, state.completionOpen);
    showOrHide(warning_, state.warningOpen);
}

void NoticeDialogs::showOrHide(NoticeDialog* dialog, bool open) {
    if (!open) {
        if (dialog->isVisible()) {
            dialog->hide();
        }
        return;
    }
    if (dialog->isVisible()) {
        return;
    }
    // Over the middle of the page area: its left edge 100 pixels left of the centre.
    const QRect area = pageArea_ ? pageArea_() : QRect();
    dialog->adjustSize();
    if (area.isValid()) {
        dialog->move(area.left() + area.width() / 2 - 100, area.top() + area.height() / 2);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace halvo::gui

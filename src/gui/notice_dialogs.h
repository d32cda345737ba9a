#pragma once

// The three modeless notices: CErrorDlg (a calibration failed), CSaveDlg (a calibration
// completed; saved to the monitor's EEPROM by itself when its countdown runs out) and Warning
// (the EEPROM copy confirmation). Each is created once and shown again whenever the controller
// opens it. Their buttons and their window's close box go to the controller, which closes them
// by publishing the new notice state.

#include <QDialog>
#include <QLineEdit>

#include <functional>

#include "app/halvo_dlg.h"

namespace halvo::gui {

// A notice whose OK and Cancel (Escape, the close box) are the controller's to carry out.
class NoticeDialog : public QDialog {
public:
    NoticeDialog(const char* title, int width, int height, QWidget* parent);
    std::function<void()> onOk;
    std::function<void()> onCancel;

    void accept() override;
    void reject() override;
};

class CErrorDlg : public NoticeDialog {
public:
    explicit CErrorDlg(QWidget* parent);
};

class CSaveDlg : public NoticeDialog {
public:
    explicit CSaveDlg(QWidget* parent);
    void showCountdown(const std::string& text);

private:
    QLineEdit* countdown_;
};

class Warning : public NoticeDialog {
public:
    explicit Warning(QWidget* parent);
    void showIds(const std::string& source, const std::string& target);

private:
    QLineEdit* source_;
    QLineEdit* target_;
};

class NoticeDialogs {
public:
    // pageArea: the tab control's page area in global coordinates; the notices open over it.
    NoticeDialogs(CHalvoDlg& station, QWidget* window, std::function<QRect()> pageArea);

    void apply(const NoticeState& state);

    CErrorDlg* failure() { return failure_; }
    CSaveDlg* completion() { return completion_; }
    Warning* warning() { return warning_; }

private:
    void showOrHide(NoticeDialog* dialog, bool open);

    std::function<QRect()> pageArea_;
    CErrorDlg* failure_;
    CSaveDlg* completion_;
    Warning* warning_;
};

}  // namespace halvo::gui

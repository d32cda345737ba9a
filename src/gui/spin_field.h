#pragma once

// A number field with spin arrows whose text and steps belong to a page model: the field shows
// what the operator typed until it is confirmed (Enter, or leaving an edited field), and the
// arrows only report steps; the model decides what they do (clamp, or wrap around 0 and 255).

#include <QAbstractSpinBox>

#include <functional>
#include <string>

namespace halvo::gui {

class SpinField : public QAbstractSpinBox {
public:
    explicit SpinField(QWidget* parent = nullptr);

    std::function<void(const std::string& text)> onEdited;  // every keystroke
    std::function<void(const std::string& text)> onCommit;  // Enter, or focus leaving after an edit
    std::function<void(int steps)> onStep;

    // Shows the model's text unless it is already there (the caret stays where it is).
    void showText(const std::string& text);
    std::string text() const;

protected:
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void commit();
    bool edited_ = false;
};

}  // namespace halvo::gui

#pragma once

// The "Probe position" field: the monitor's screen in small, with a dashed circle where the
// operator has to put the probe.

#include <QWidget>

namespace halvo::gui {

class ProbePositionView : public QWidget {
public:
    explicit ProbePositionView(QWidget* parent = nullptr);

    // Probe position index + 1; 0 shows the empty screen.
    void setPositionType(int type);
    int positionType() const { return type_; }

    QSize sizeHint() const override { return {176, 99}; }
    QSize minimumSizeHint() const override { return {96, 54}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int type_ = 0;
};

}  // namespace halvo::gui

// What the Measure page's widgets do: each operator action goes to the page model, which keeps
// the choice or posts the operator command; then the page shows the model again.

#include "gui/measure_page_view.h"

namespace halvo::gui {

void MeasurePageView::wire() {
    for (size_t k = 0; k < kinds_.size(); ++k) {
        QObject::connect(kinds_[k], &QCheckBox::clicked, this, [this, k](bool checked) {
            page_.onKindToggled(static_cast<int>(k), checked);
            changed();
        });
    }
    QObject::connect(autoJig_, &QCheckBox::clicked, this, [this](bool checked) {
        page_.onAutoJigToggled(checked);
        changed();
    });
    QObject::connect(colorSpace_, &QCheckBox::clicked, this, [this](bool checked) {
        page_.onColorSpaceToggled(checked);
        changed();
    });
    for (size_t i = 0; i < spaces_.size(); ++i) {
        QObject::connect(spaces_[i], &QCheckBox::clicked, this, [this, i](bool checked) {
            page_.onColorSpaceBoxToggled(static_cast<int>(i), checked);
            changed();
        });
    }
    QObject::connect(spaceList_, &QComboBox::activated, this, [this](int index) {
        page_.onColorSpaceSelected(index);
        changed();
    });
    QObject::connect(chartKind_, &QComboBox::activated, this, [this](int index) {
        page_.onChartKindSelected(index);
        changed();
    });
    QObject::connect(triangle_, &QCheckBox::clicked, this, [this](bool checked) {
        page_.onTriangleToggled(checked);
        changed();
    });
    const auto onClicked = [this](QPushButton* button, void (CMeasure::*action)()) {
        QObject::connect(button, &QPushButton::clicked, this, [this, action] {
            (page_.*action)();
            changed();
        });
    };
    onClicked(start_, &CMeasure::onMeasure);
    onClicked(position_, &CMeasure::onPosition);
    onClicked(save_, &CMeasure::onSaveAs);
    onClicked(clear_, &CMeasure::onClear);
}

}  // namespace halvo::gui

#include "reports/measure_page.h"

namespace halvo {

CMeasure::CMeasure(CommandSink& sink) : sink_(sink) {
    // Gamma, Color and Color Temperature are checked when the page opens (flags 7).
    kindBoxes[kKindGamma].checked = true;
    kindBoxes[kKindColor].checked = true;
    kindBoxes[kKindTemperature].checked = true;
    kindBoxes[kKindUniformity].checked = false;
    colorSpaceBoxes[0].checked = true;
    colorSpaceList.items.assign(kMeasureSpaceNames.begin(), kMeasureSpaceNames.end());
    colorSpaceList.selected = 0;
    chartSelector.items.assign(kChartKindNames.begin(), kChartKindNames.end());
    chartSelector.selected = kChartLuminance;
    for (auto& texts : resultTexts) {
        texts.fill(" ");
    }
    rebuildResultList();
}

uint8_t CMeasure::measureFlags() const {
    uint8_t flags = 0;
    for (size_t k = 0; k < kindBoxes.size(); ++k) {
        if (kindBoxes[k].checked) {
            flags = static_cast<uint8_t>(flags | 1u << k);
        }
    }
    return autoJigChecked ? static_cast<uint8_t>(flags | kMeasureAutoJig) : flags;
}

uint8_t CMeasure::colorSpaceMask() const {
    uint8_t mask = 0;
    for (size_t i = 0; i < colorSpaceBoxes.size(); ++i) {
        if (colorSpaceBoxes[i].checked) {
            mask = static_cast<uint8_t>(mask | 1u << i);
        }
    }
    return mask;
}

std::vector<ResultRow> CMeasure::resultRows(int colorSpace) const {
    const auto& texts = resultTexts[static_cast<size_t>(colorSpace >= 0 && colorSpace < kMeasureSpaceCount ? colorSpace : 0)];
    std::vector<ResultRow> rows;
    const auto add = [&](int slot) {
        rows.push_back({slot, ResultRowLabel(slot, alternateWhites), texts[static_cast<size_t>(slot)]});
    };
    if (measures(kKindGamma)) {
        add(kResultGamma);
    }
    if (measures(kKindColor)) {
        for (int s = kResultFirstColor; s <= kResultLastColor; ++s) {
            add(s);
        }
    }
    if (measures(kKindTemperature)) {
        const int last = colorSpaceMode() ? kResultLastTemperature - 1 : kResultLastTemperature;
        for (int s = kResultFirstTemperature; s <= last; ++s) {
            add(s);
        }
    }
    if (measures(kKindUniformity)) {
        for (int s = kResultFirstPosition; s <= kResultUniformity; ++s) {
            add(s);
        }
    }
    return rows;
}

ChartScene CMeasure::chartScene(int colorSpace, int kind) const {
    ChartScene scene;
    scene.kind = kind;
    scene.colorSpace = colorSpace;
    scene.triangle = triangleCheck.checked;
    scene.alternateWhites = alternateWhites;
    if (colorSpace >= 0 && colorSpace < kMeasureSpaceCount) {
        scene.series = chart[static_cast<size_t>(colorSpace)];
    }
    return scene;
}

bool CMeasure::usable(MeasureControl control) const {
    switch (control) {
        case MeasureControl::Start: return startButtonEnabled;
        case MeasureControl::AutoJig: return controlsEnabled && autoJigEnabled;
        case MeasureControl::ColorSpaceBoxes:
        case MeasureControl::ColorSpaceList: return controlsEnabled && colorSpaceCheck.checked;
        case MeasureControl::Position: return (controlsEnabled || positionOffered) && positionButton.enabled;
        case MeasureControl::Triangle: return true;
        case MeasureControl::Kinds:
        case MeasureControl::ColorSpace:
        case MeasureControl::Save:
        case MeasureControl::Clear:
        case MeasureControl::ChartSelector: return controlsEnabled;
    }
    return false;
}

void CMeasure::rebuildResultList() {
    const int selected = resultList.selected;
    resultList.rows.clear();
    for (const ResultRow& r : resultRows(displayedColorSpace())) {
        resultList.rows.push_back({{r.label, r.data}, false});
    }
    resultList.selected = resultList.hasIndex(selected) ? selected : -1;
}

void CMeasure::setMeasurePageEnabled(bool enable, bool withButton) {
    controlsEnabled = enable;
    positionOffered = false;
    if (withButton) {
        startButtonEnabled = true;
        startButtonText = enable ? "Measure" : "Stop";
    }
}

void CMeasure::setDisplayedColorSpace(int colorSpace) {
    if (colorSpaceList.hasIndex(colorSpace)) {
        colorSpaceList.selected = colorSpace;
    }
    rebuildResultList();
}

void CMeasure::setChartKind(int kind) {
    if (chartSelector.hasIndex(kind)) {
        chartSelector.selected = kind;
    }
}

void CMeasure::setRowData(int slot, const std::string& text) {
    const std::vector<ResultRow> rows = resultRows(displayedColorSpace());
    for (size_t i = 0; i < rows.size() && i < resultList.rows.size(); ++i) {
        if (rows[i].slot == slot && resultList.rows[i].cells.size() > 1) {
            resultList.rows[i].cells[1] = text;
        }
    }
}

void CMeasure::storeResult(int slot, const ColorReading& reading) {
    if (slot < 0 || slot >= kResultSlotCount) {
        return;
    }
    const std::string text = slot >= kResultFirstPosition && slot <= kResultLastPosition ? FormatPositionResult(reading)
                                                                                      : FormatColorResult(reading);
    setRowData(slot, text);
    if (!resultsFrozen) {
        resultTexts[static_cast<size_t>(displayedColorSpace())][static_cast<size_t>(slot)] = text;
    }
}

void CMeasure::storeGamma(double gamma) {
    const std::string text = FormatGammaResult(gamma);
    setRowData(kResultGamma, text);
    if (!resultsFrozen) {
        resultTexts[static_cast<size_t>(displayedColorSpace())][kResultGamma] = text;
    }
}

double CMeasure::storePosition(int position, const ColorReading& reading, bool peakRule) {
    if (position < 0 || position >= kPositionCount) {
        return uniformityPercent;
    }
    uniformityLv[static_cast<size_t>(position)] = reading.lv;
    uniformityPercent = UniformityPercentage(uniformityLv, position + 1, peakRule);
    const int slot = kResultFirstPosition + position;
    const std::string text = FormatPositionResult(reading);
    const std::string percent = FormatUniformityPercent(uniformityPercent);
    setRowData(slot, text);
    setRowData(kResultUniformity, percent);
    if (!resultsFrozen) {
        // Uniformity is measured once, whatever colour space the monitor shows: every colour
        // space of the run carries the same figures.
        const uint8_t mask = colorSpaceMode() ? colorSpaceMask() : 1;
        for (size_t cs = 0; cs < resultTexts.size(); ++cs) {
            if (mask & 1u << cs) {
                resultTexts[cs][static_cast<size_t>(slot)] = text;
                resultTexts[cs][kResultUniformity] = percent;
            }
        }
    }
    return uniformityPercent;
}

void CMeasure::clearResults() {
    for (auto& texts : resultTexts) {
        texts.fill(" ");
    }
    for (ChartSeries& s : chart) {
        s.clear();
    }
    uniformityLv.fill(0.0);
    uniformityPercent = 0.0;
    rebuildResultList();
}

void CMeasure::onClear() {
    clearResults();
    sink_.postOperatorCommand(1, 4);
}

void CMeasure::onKindToggled(int kind, bool checked) {
    if (kind < 0 || kind >= static_cast<int>(kindBoxes.size())) {
        return;
    }
    kindBoxes[static_cast<size_t>(kind)].checked = checked;
    rebuildResultList();
}

void CMeasure::onColorSpaceToggled(bool checked) {
    colorSpaceCheck.checked = checked;
    for (size_t i = 0; i < colorSpaceBoxes.size(); ++i) {
        colorSpaceBoxes[i].checked = checked || i == 0;
    }
    if (!checked) {
        colorSpaceList.selected = 0;
    }
    rebuildResultList();
}

void CMeasure::onColorSpaceBoxToggled(int colorSpace, bool checked) {
    if (colorSpace >= 0 && colorSpace < kMeasureSpaceCount) {
        colorSpaceBoxes[static_cast<size_t>(colorSpace)].checked = checked;
    }
}

void CMeasure::onColorSpaceSelected(int colorSpace) {
    setDisplayedColorSpace(colorSpace);
}

void CMeasure::onChartKindSelected(int kind) {
    setChartKind(kind);
}

}  // namespace halvo

#include "calibration/gamma_fit.h"

#include <algorithm>
#include <cmath>

namespace halvo {

GammaFitResult fitGamma(const double* L, int n) {
    GammaFitResult result;
    const int u = 256 / n;
    double sw = 0, swx = 0, swy = 0;
    std::vector<double> X(static_cast<size_t>(n) + 1), Y(static_cast<size_t>(n) + 1), W(static_cast<size_t>(n) + 1);
    std::vector<bool> used(static_cast<size_t>(n) + 1, false);
    for (int k = 1; k <= n; ++k) {
        const int code = k * u - 1;
        if (code <= 0) {
            continue;  // only for n = 256, whose exponent nobody uses
        }
        const size_t i = static_cast<size_t>(k);
        X[i] = std::log(static_cast<double>(code));
        Y[i] = L[k] >= 0.00001 ? std::log(L[k]) : -5.0;
        W[i] = std::exp(Y[i]);
        used[i] = true;
        sw += W[i];
        swx += W[i] * X[i];
        swy += W[i] * Y[i];
    }
    if (sw > 0) {
        const double mx = swx / sw;
        const double my = swy / sw;
        double sxy = 0, sxx = 0;
        for (size_t i = 1; i <= static_cast<size_t>(n); ++i) {
            if (used[i]) {
                sxy += W[i] * (X[i] - mx) * (Y[i] - my);
                sxx += W[i] * (X[i] - mx) * (X[i] - mx);
            }
        }
        result.exponent = sxx > 0 ? sxy / sxx : 0.0;
    }

    std::array<long, 256> entry{};
    for (int k = 1; k <= n; ++k) {
        const double previous = k == 1 ? 0.0 : L[k - 1];
        for (int j = 1; j <= u; ++j) {
            const int i = (k - 1) * u + j - 1;
            entry[static_cast<size_t>(i)] = static_cast<long>(100.0 * (j * L[k] + (u - j) * previous) / u + 0.5);
        }
    }
    entry[0] = 0;
    for (int i = 0; i < 255; ++i) {
        if (entry[static_cast<size_t>(i) + 1] <= entry[static_cast<size_t>(i)]) {
            entry[static_cast<size_t>(i) + 1] = entry[static_cast<size_t>(i)] + 1;
            result.reversed.push_back(i);
        }
    }
    for (size_t i = 0; i < 256; ++i) {
        result.table[i] = static_cast<uint16_t>(std::clamp<long>(entry[i], 0, 65535));
    }
    return result;
}

int GammaLevel8(int c, int N) {
    const int per = 256 / N;
    if (c == 1) {
        return per - 1;
    }
    return ((c - 1) * per - 1) % 256;
}

int GammaLevel10(int c, int N) {
    const int step = 1024 / N;
    if (c == 1) {
        return step - 1;
    }
    return ((c - 1) * step - 1) % 16384;
}

int PanelGammaStep(double d) {
    // Sixteen thresholds -0.1875, -0.1625, ..., 0.1875: each one d exceeds is one step up from -8.
    int k = -8;
    for (int m = 0; m < 16; ++m) {
        if (d > (2 * m - 15) * 0.0125) {
            ++k;
        }
    }
    return k;
}

double PanelGammaTarget(int slot, double targetGamma) {
    constexpr int kDCinemaSlot = 5;
    constexpr double kDCinemaGamma = 2.6;
    return slot == kDCinemaSlot ? kDCinemaGamma : targetGamma;
}

int PanelGammaCode(double d) {
    return std::min(PanelGammaStep(d) + 8, 16);
}

}  // namespace halvo

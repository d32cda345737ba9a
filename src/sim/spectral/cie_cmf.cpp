#include "sim/spectral/cie_cmf.h"

namespace halvo::sim {

const CmfRow* CmfAt(int nm) {
    if (nm < kCmfFirstNm || nm > kCmfLastNm) {
        return nullptr;
    }
    return &kCie1931Cmf[nm - kCmfFirstNm];
}

std::array<double, 3> TristimulusOf(const double* radiance, int firstNm, int count, int stepNm) {
    std::array<double, 3> t{};
    for (int i = 0; i < count; ++i) {
        if (const CmfRow* c = CmfAt(firstNm + i * stepNm)) {
            t[0] += radiance[i] * c->xbar;
            t[1] += radiance[i] * c->ybar;
            t[2] += radiance[i] * c->zbar;
        }
    }
    for (double& v : t) {
        v *= kKm * stepNm;
    }
    return t;
}

}  // namespace halvo::sim

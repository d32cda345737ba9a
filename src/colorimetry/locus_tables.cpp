#include "colorimetry/locus_tables.h"

namespace halvo {

const PlanckianRecord* PlanckianRecordFor(int32_t kelvin) {
    if (kelvin < kPlanckianFirstKelvin || kelvin > kPlanckianLastKelvin) {
        return nullptr;
    }
    return &kPlanckianTable[kelvin - kPlanckianFirstKelvin];
}

}  // namespace halvo

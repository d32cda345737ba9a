#include <memory>

#include "instruments/ca/ca_driver.h"
#include "instruments/instrument.h"
#include "instruments/pelko/pelko_driver.h"
#include "instruments/unavailable_driver.h"

namespace halvo {
namespace {

template <InstrumentKind K>
std::unique_ptr<InstrumentDriver> MakeCa(InstrumentContext& context) {
    return std::make_unique<CaDriver>(context, K);
}

std::unique_ptr<InstrumentDriver> MakePelko(InstrumentContext& context) {
    return std::make_unique<PelkoDriver>(context);
}

template <InstrumentKind K>
std::unique_ptr<InstrumentDriver> MakeUnavailable(InstrumentContext& context) {
    return std::make_unique<UnavailableDriver>(context, K);
}

using K = InstrumentKind;

// One explicit list, in the Setup list's order.
const InstrumentDescriptor kDescriptors[kInstrumentKindCount] = {
    {K::Ca210, "CA-210", true, MakeCa<K::Ca210>},
    {K::Ca310, "CA-310", true, MakeCa<K::Ca310>},
    {K::K10, "K-10", true, MakeUnavailable<K::K10>},
    {K::Pelko, "PELKO", false, MakePelko},
    {K::Spyder4, "Spyder4", false, MakeUnavailable<K::Spyder4>},
    {K::Cs200, "CS-200", false, MakeUnavailable<K::Cs200>},
    {K::I1Display, "i1 Display", false, MakeUnavailable<K::I1Display>},
};

}  // namespace

const InstrumentDescriptor& DescribeInstrument(InstrumentKind kind) {
    const int i = static_cast<int>(kind);
    return kDescriptors[i >= 0 && i < kInstrumentKindCount ? i : 0];
}

std::unique_ptr<InstrumentDriver> CreateInstrumentDriver(InstrumentKind kind, InstrumentContext& context) {
    return DescribeInstrument(kind).create(context);
}

}  // namespace halvo

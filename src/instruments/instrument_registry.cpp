#include <memory>

#include "instruments/ca/ca_driver.h"
#include "instruments/cs200/cs200_driver.h"
#include "instruments/i1display/i1display_driver.h"
#include "instruments/instrument.h"
#include "instruments/spyder4/spyder4_driver.h"
#include "instruments/k10/k10_instrument.h"
#include "instruments/pelko/pelko_driver.h"

namespace halvo {
namespace {

template <InstrumentKind K>
std::unique_ptr<InstrumentDriver> MakeCa(InstrumentContext& context) {
    return std::make_unique<CaDriver>(context, K);
}

template <typename Driver>
std::unique_ptr<InstrumentDriver> Make(InstrumentContext& context) {
    return std::make_unique<Driver>(context);
}

using K = InstrumentKind;

// One explicit list, in the Setup list's order.
const InstrumentDescriptor kDescriptors[kInstrumentKindCount] = {
    {K::Ca210, "CA-210", true, MakeCa<K::Ca210>},
    {K::Ca310, "CA-310", true, MakeCa<K::Ca310>},
    {K::K10, "K-10", true, Make<K10Instrument>},
    {K::Pelko, "PELKO", false, Make<PelkoDriver>},
    {K::Spyder4, "Spyder4", false, Make<Spyder4Driver>},
    {K::Cs200, "CS-200", false, Make<Cs200Driver>},
    {K::I1Display, "i1 Display", false, Make<I1DisplayDriver>},
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

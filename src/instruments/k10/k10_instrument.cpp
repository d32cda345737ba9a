#include "instruments/k10/k10_instrument.h"

#include <cmath>

#include "colorimetry/evaluation.h"
#include "common/text_format.h"

namespace halvo {
namespace {

KClmtr& LentOrOwn(InstrumentContext& context, std::unique_ptr<KClmtr>& own) {
    if (context.k10 != nullptr) {
        return *context.k10;
    }
    own = std::make_unique<KClmtr>(context.scheduler);
    return *own;
}

}  // namespace

K10Instrument::K10Instrument(InstrumentContext& context)
    : InstrumentDriver(context), k10_(LentOrOwn(context, own_)) {}

void SelectK10Matrix(KClmtr& k10, int index, StationLog& log, int channel) {
    k10.SelectMatrix(index);
    if (!k10.matrixWarning().empty()) {
        log.logMessage(Format("K10 matrix %d: %s; it is used all the same", k10.currentMatrix(),
                              k10.matrixWarning().c_str()),
                       channel);
    }
    if (!k10.matrixLoaded()) {
        log.logMessage(Format("K10 matrix %d could not be read; measuring without a correction matrix",
                              k10.currentMatrix()),
                       channel);
    }
}

bool K10Instrument::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    // A device this driver still holds open counts as not connected; disconnecting closes it.
    if (k10_.IsUsable()) {
        return false;
    }
    if (!k10_.Connect(settings.port)) {
        context_.log.logMessage("Cannot open K10 on " + k10_.portName() + ": " + k10_.lastError(), kChannelSys);
        return false;
    }
    context_.log.logMessage("Open K10 Serial num(" + k10_.SerialNumber() + ")", kChannelSys);
    // The K-10 talks through its own port; the instrument link only carries the connected flag.
    context_.link.isOpen = 1;
    return true;
}

void K10Instrument::disconnect() {
    k10_.Disconnect();
    context_.link.close();
}

int K10Instrument::prepare() {
    SelectK10Matrix(k10_, k10_.currentMatrix(), context_.log, kChannelSys);
    context_.log.logMessage(Format("%d", k10_.currentMatrix()), kChannelSys);
    return 500;
}

InstrumentDriver::Trigger K10Instrument::trigger() {
    context_.currentRecord = k10_.Measure();
    return {};
}

int K10Instrument::pollCount(bool) {
    const ColorimetricRecord& r = context_.currentRecord;
    return r.x != 0.0 || r.y != 0.0 || r.Y != 0.0 ? 1 : 0;
}

RawReading K10Instrument::read() {
    const ColorimetricRecord& r = context_.currentRecord;
    RawReading raw;
    // No answer from the device gives a record of zeros; passing it on would hand the step
    // routine a black reading that was never measured. Retry as for any missing result.
    if ((r.errorFlags & (kK10PortUnusable | kK10NoReply)) != 0 && r.x == 0.0 && r.y == 0.0 && r.Y == 0.0) {
        raw.retryMs = 500;
        return raw;
    }
    raw.ok = true;
    raw.x = r.x;
    raw.y = r.y;
    raw.lv = r.Y;
    raw.recordFilled = true;
    return raw;
}

void K10Instrument::applyOffsets(double x, double y, double lv, ColorimetricRecord& record) const {
    // The evaluation's own flags are found again; the device's stay.
    record.errorFlags &= ~(kFlagUnusableInput | kFlagNoDominantWavelength | kFlagFarFromLocus);
    if (!(y > 0.0) || !std::isfinite(x) || !std::isfinite(lv)) {
        record.X = record.Y = record.Z = 0.0;
        EvaluateInto(k10_.rgbMatrix(), record);
        record.errorFlags |= kFlagUnusableInput;
        return;
    }
    record.X = x * lv / y;
    record.Y = lv;
    record.Z = (1.0 - x - y) * lv / y;
    EvaluateInto(k10_.rgbMatrix(), record);
}

}  // namespace halvo

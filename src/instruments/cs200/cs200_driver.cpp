#include "instruments/cs200/cs200_driver.h"

#include "common/text_format.h"

namespace halvo {

Cs200Driver::Cs200Driver(InstrumentContext& context, const Cs200Calls* calls) : InstrumentDriver(context) {
    if (calls != nullptr) {
        givenCalls_ = *calls;
    }
}

bool Cs200Driver::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    Cs200Calls calls;
    if (givenCalls_) {
        calls = *givenCalls_;
    } else {
        std::string error;
        if (!LoadCs200Library(library_, calls, error)) {
            context_.log.logMessage("Cannot open CS-200: " + error, kChannelSys);
            return false;
        }
    }
    auto link = std::make_unique<Cs200Link>(calls, context_.scheduler);
    if (!link->Cs200Connect(settings.cs200SpeedIndex, settings.cs200DurationSeconds)) {
        context_.log.logMessage("Cannot open CS-200: no answer from the meter", kChannelSys);
        return false;
    }
    link_ = std::move(link);
    context_.link.isOpen = 1;
    return true;
}

void Cs200Driver::disconnect() {
    failures_.ended(context_.log);
    if (link_) {
        link_->Cs200Disconnect();
        link_.reset();
    }
    context_.link.isOpen = 0;
}

InstrumentDriver::Trigger Cs200Driver::trigger() {
    waitMs_ = link_ ? link_->Cs200Start() : 0;
    return {};
}

int Cs200Driver::pollCount(bool) {
    return isOpen() ? 1 : 0;
}

RawReading Cs200Driver::read() {
    RawReading r;
    if (!link_) {
        return r;
    }
    const std::optional<Cs200Measurement> m = link_->Cs200Read();
    if (!m) {
        // An error or a cut-off reply is no measurement: measure again rather than hand zeros on.
        std::string reply = link_->lastReply();
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) {
            reply.pop_back();
        }
        failures_.failed(context_.log, Format("CS-200 gave no measurement (%s)", reply.empty() ? "no reply" : reply.c_str()),
                         channel());
        r.retryMs = 500;
        return r;
    }
    failures_.ended(context_.log);
    r.ok = true;
    r.x = m->x;
    r.y = m->y;
    r.lv = m->lv;
    return r;
}

}  // namespace halvo

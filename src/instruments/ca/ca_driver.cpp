#include "instruments/ca/ca_driver.h"

#include "instruments/ca/ca_protocol.h"

#include <algorithm>
#include <utility>

namespace halvo {

bool CaDriver::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    SerialLink& link = context_.link;
    link.portName = settings.port;
    link.baudRate = settings.line.baudRate;
    link.dataBits = settings.line.dataBits;
    link.parity = settings.line.parity;
    link.stopBits = settings.line.stopBits;
    caRetryCount_ = 0;
    if (!link.open()) {
        context_.log.logMessage("Cannot open colorimeter port", kChannelSys);
        return false;
    }
    if (!link.lineNote().empty()) {
        context_.log.logMessage(link.lineNote(), kChannelDbg);
    }
    return true;
}

void CaDriver::afterConnect() {
    // Written whether or not the port opened; to a closed link it goes nowhere.
    context_.link.write(std::string(kCaRemoteCommand));
}

void CaDriver::disconnect() {
    context_.link.close();
}

int CaDriver::prepare() {
    context_.link.write(std::string(kCaModeCommand));
    return 500;
}

InstrumentDriver::Trigger CaDriver::trigger() {
    early_.clear();
    context_.link.write(std::string(kCaMeasureCommand));
    return {};
}

// Every answer of the analyser ends its line with a carriage return; a line feed (an adapter
// or a terminal server that translates line ends) ends it as well.
bool CaDriver::answerComplete() {
    const Bytes chunk = context_.link.readChunk();
    early_.insert(early_.end(), chunk.begin(), chunk.end());
    return std::any_of(early_.begin(), early_.end(), [](uint8_t b) { return b == '\r' || b == '\n'; });
}

int CaDriver::pollCount(bool continuous) {
    reply_ = std::move(early_);
    early_.clear();
    const Bytes rest = context_.link.readChunk();
    reply_.insert(reply_.end(), rest.begin(), rest.end());
    const int count = static_cast<int>(reply_.size());
    // Idle, the analyser is not asked for anything: keep its indicator up while it is connected.
    if (count == 0 && !continuous && isOpen()) {
        return 1;
    }
    return count;
}

RawReading CaDriver::read() {
    RawReading r;
    const std::optional<CaReading> reading = ParseCaReply(reply_);
    if (!reading) {
        if (caRetryCount_ > 2) {
            context_.link.write(std::string(kCaRemoteCommand));
            caRetryCount_ = 0;
        }
        ++caRetryCount_;
        r.retryMs = 500;
        return r;
    }
    caRetryCount_ = 0;
    context_.log.logMessage(CaReplyText(reply_), kChannelDbg);
    r.ok = true;
    r.x = reading->x;
    r.y = reading->y;
    r.lv = reading->lv;
    return r;
}

}  // namespace halvo

#include "monitor/identification.h"

namespace halvo {

bool MonitorIdentity::supported() const {
    return IsSupportedCapability(capability);
}

Bytes MonitorIdentification::readAnswer() {
    Bytes answer = sender_.link().readChunk();
    if (IsValidReply(answer)) {
        ++validAnswers_;
    }
    return answer;
}

std::optional<int> MonitorIdentification::step(int32_t& stepCounter, int32_t positionIndex) {
    using C = MonitorCommand;
    const int32_t current = stepCounter;
    if (current >= 7 || current < 0) {
        stepCounter = 0;
        return std::nullopt;
    }
    ++stepCounter;
    switch (current) {
        case 0:
            sender_.sendMonitorCommand(C::ChangeSerialMode, 0, 1000);
            return 500;
        case 1:
            sender_.link().readChunk();  // whatever the mode change produced
            sender_.sendMonitorCommand(C::GetVersion, 0, 0);
            return 200;
        case 2: {
            const Bytes answer = readAnswer();
            if (IsValidReply(answer)) {
                std::string text = ReplyText(answer);
                if (text.size() > kMaxVersionLength) {
                    text.resize(kMaxVersionLength);
                }
                identity_.versionText = text;
                log_.logMessage("Monitor = " + text, kChannelSys);
                identity_.recognisedModel = text.find("TXM") != std::string::npos;
                identity_.modelTxm400 = identity_.recognisedModel && text.find("TXM-400") != std::string::npos;
                identity_.modelTxm600HdS = text.find("TXM-600-HD-S") != std::string::npos;
                if (listener_) {
                    listener_->onVersion(identity_);
                }
            }
            sender_.sendMonitorCommand(C::GetModelInfo, 0, 0);
            return 200;
        }
        case 3: {
            const Bytes answer = readAnswer();
            const std::optional<uint8_t> m = ReplyByte(answer, 4);
            identity_.modelInfo = IsValidReply(answer) && m ? *m : 0;
            sender_.sendMonitorCommand(C::GetCalibrationId, 0, 0);
            return 200;
        }
        case 4: {
            const Bytes answer = readAnswer();
            if (IsValidReply(answer)) {
                identity_.calibrationId = ReplyText(answer);
                log_.logMessage("Calibration ID=" + identity_.calibrationId, kChannelSys);
                if (listener_) {
                    listener_->onCalibrationId(identity_.calibrationId);
                }
            }
            sender_.sendMonitorCommand(C::GetBacklight, 0, 0);
            return 200;
        }
        case 5: {
            const Bytes answer = readAnswer();
            const std::optional<uint8_t> level = ReplyByte(answer, 2);
            if (IsValidReply(answer) && level) {
                identity_.backlight = *level;
                if (listener_) {
                    listener_->onBacklight(*level);
                }
            }
            sender_.sendFrame(ExtendedQueryFrame(), "", 0);
            return 300;
        }
        case 6: {
            const Bytes answer = readAnswer();
            const std::optional<uint8_t> c = CapabilityFromReply(answer);
            if (IsValidReply(answer) && c) {
                identity_.capability = *c;
            }
            sender_.sendMonitorCommand(C::DrawTargetMarker, static_cast<uint32_t>(positionIndex), 10);
            if (listener_) {
                listener_->onMarkerDrawn(positionIndex);
            }
            return 300;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace halvo

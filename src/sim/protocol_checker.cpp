#include "sim/protocol_checker.h"

#include <cmath>

#include "common/text_format.h"

namespace halvo::sim {
namespace {

constexpr size_t kShownBytes = 16;

int Entry(const Bytes& f, size_t k) {
    return f[6 + 2 * k] | f[7 + 2 * k] << 8;
}

long long Whole(double ms) {
    return static_cast<long long>(std::floor(ms));
}

}  // namespace

std::string ProtocolViolation::text() const {
    std::string hex;
    if (frame.size() > kShownBytes) {
        hex = HexBytes(Bytes(frame.begin(), frame.begin() + kShownBytes)) + Format(" ... (%zu bytes)", frame.size());
    } else {
        hex = HexBytes(frame);
    }
    return Format("%lld ms: %s: %s", static_cast<long long>(atMs), reason.c_str(), hex.c_str());
}

bool ProtocolChecker::take(const Bytes& f, double at) {
    const FrameIdentity id = IdentifyFrame(f);
    if (id.rule == nullptr) {
        record(f, at, id.fault, false);
        return false;
    }
    const FrameRule& rule = *id.rule;
    if (std::string why = rule.arguments(f); !why.empty()) {
        number(rule, f);
        record(f, at, std::move(why), false);
        return false;
    }
    std::string late = busy(rule, at);
    std::string unready = precondition(rule, f, at);
    // The numbering follows what arrives, taken or not, so one lost packet is reported once.
    number(rule, f);
    if (!late.empty()) {
        record(f, at, std::move(late), true);
        return false;
    }
    if (!unready.empty()) {
        record(f, at, std::move(unready), false);
        return false;
    }
    taken(rule, f, at);
    return true;
}

std::string ProtocolChecker::busy(const FrameRule& rule, double at) const {
    if (busyWith_ == nullptr || at >= busyFromMs_ + busyMs_ - toleranceMs_) {
        return {};
    }
    return Format("%s %lld ms after %s, which takes %d ms", rule.name, Whole(at - busyFromMs_), busyWith_, busyMs_);
}

std::string ProtocolChecker::precondition(const FrameRule& rule, const Bytes& f, double at) const {
    switch (rule.kind) {
        case FrameKind::Uniformity:
            return openForData() ? std::string() : Format("%s outside calibration mode", rule.name);
        case FrameKind::GammaTable: {
            if (!openForData()) {
                return "gamma table packet outside calibration mode";
            }
            if (!bypassed_) {
                return "gamma table packet with the picture processing on (CSC&Gamma 0)";
            }
            if (at < bypassedAtMs_ + kBypassSettleMs - toleranceMs_) {
                return Format("gamma table packet %lld ms after the processing was bypassed, which takes %d ms",
                              Whole(at - bypassedAtMs_), kBypassSettleMs);
            }
            const int first = f[5];
            if (first != 0 && first != gammaLastIndex_ + 4) {
                return gammaLastIndex_ < 0
                           ? Format("gamma table packet for entries %d.. without the packets before it", first)
                           : Format("gamma table packet for entries %d.. after entries %d..", first, gammaLastIndex_);
            }
            if (first != 0 && Entry(f, 0) <= gammaLastEntry_) {
                return Format("gamma table entry %d (%d) does not rise above entry %d (%d)", first, Entry(f, 0),
                              first - 1, gammaLastEntry_);
            }
            return {};
        }
        case FrameKind::ColourBlock: {
            if (!openForData()) {
                return "colour-space block outside calibration mode";
            }
            const int space = f[5];
            if (nativeSlot_ != space + 1) {
                return Format("colour-space block for colour space %d with slot %d selected for calibration", space,
                              nativeSlot_);
            }
            if (IsFinalColourBlock(f)) {
                const size_t got = tableSpace_ == space ? tableTaken_.count() : 0;
                return got == 64 ? std::string()
                                 : Format("final colour-space block after %zu of the 64 blocks of colour space %d", got,
                                          space);
            }
            const int index = f[6];
            const int expected = tableSpace_ == space ? tableLastIndex_ + 1 : 0;
            if (index != 0 && index != expected) {
                return Format("colour-space block %d of colour space %d where block %d was due", index, space,
                              expected);
            }
            return {};
        }
        default:
            return {};
    }
}

// A packet counts for the numbering whenever its number can be read, even if the packet is
// refused, so the one after it is judged against it.
void ProtocolChecker::number(const FrameRule& rule, const Bytes& f) {
    if (rule.kind == FrameKind::GammaTable && f[5] % 4 == 0) {
        gammaLastIndex_ = f[5];
        gammaLastEntry_ = Entry(f, 3);
    } else if (rule.kind == FrameKind::ColourBlock && f[5] <= 4 && (f[6] <= 63 || IsFinalColourBlock(f))) {
        if (IsFinalColourBlock(f)) {
            tableSpace_ = -1;
            tableLastIndex_ = -1;
            tableTaken_.reset();
        } else {
            if (f[6] == 0 || tableSpace_ != f[5]) {
                tableTaken_.reset();
            }
            tableSpace_ = f[5];
            tableLastIndex_ = f[6];
        }
    }
}

void ProtocolChecker::taken(const FrameRule& rule, const Bytes& f, double at) {
    switch (rule.kind) {
        case FrameKind::CalibrationExecution:
            calibrationMode_ = f[5] == 1;
            if (f[5] == 0) {
                // Leaving calibration mode ends everything it opened.
                dataLoad_ = false;
                bypassed_ = false;
                nativeSlot_ = 0;
            }
            break;
        case FrameKind::SaveEeprom:
            dataLoad_ = f[5] == 0;
            break;
        case FrameKind::SetCscGamma:
            if (f[5] == 1 && !bypassed_) {
                bypassedAtMs_ = at;
            }
            bypassed_ = f[5] == 1;
            break;
        case FrameKind::SetNativeColorSpace:
            nativeSlot_ = f[5];
            break;
        case FrameKind::ColourBlock:
            if (!IsFinalColourBlock(f)) {
                tableTaken_.set(f[6]);
            }
            break;
        default:
            break;
    }
    const int takes = rule.kind == FrameKind::ColourBlock && IsFinalColourBlock(f) ? kColourTableSaveMs : rule.takesMs;
    busyWith_ = takes > 0 ? rule.name : nullptr;
    busyFromMs_ = at;
    busyMs_ = takes;
}

void ProtocolChecker::discarded(const Bytes& bytes, double startMs, const char* why) {
    record(bytes, startMs, why, false);
}

void ProtocolChecker::record(const Bytes& f, double at, std::string reason, bool dropped) {
    ProtocolViolation v;
    v.atMs = Whole(at);
    v.frame = f;
    v.reason = std::move(reason);
    v.dropped = dropped;
    ++count_;
    if (onViolation) {
        onViolation(v);
    }
    if (violations_.size() < kKeptViolations) {
        violations_.push_back(std::move(v));
    }
}

void ProtocolChecker::powerCycle() {
    calibrationMode_ = false;
    dataLoad_ = false;
    bypassed_ = false;
    nativeSlot_ = 0;
    gammaLastIndex_ = -1;
    gammaLastEntry_ = 0;
    tableSpace_ = -1;
    tableLastIndex_ = -1;
    tableTaken_.reset();
    busyWith_ = nullptr;
    busyMs_ = 0;
}

std::vector<std::string> ProtocolChecker::reasons() const {
    std::vector<std::string> out;
    for (const ProtocolViolation& v : violations_) {
        out.push_back(v.reason);
    }
    return out;
}

void ProtocolChecker::clearViolations() {
    violations_.clear();
    count_ = 0;
}

void ReportProtocolViolations(const ProtocolChecker& checker, std::FILE* to, const char* program) {
    constexpr size_t kListed = 20;
    if (checker.violationCount() == 0) {
        return;
    }
    std::fprintf(to, "%s: the simulated monitor refused %zu frames:\n", program, checker.violationCount());
    const std::vector<ProtocolViolation>& kept = checker.violations();
    for (size_t i = 0; i < kept.size() && i < kListed; ++i) {
        std::fprintf(to, "  %s\n", kept[i].text().c_str());
    }
    if (checker.violationCount() > kListed) {
        std::fprintf(to, "  ... and %zu more\n", checker.violationCount() - kListed);
    }
}

}  // namespace halvo::sim

#include "instruments/k10/k10_driver.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "colorimetry/evaluation.h"
#include "common/text_format.h"

namespace halvo {
namespace {

constexpr int kRounds = 3;
constexpr int kPollsPerPatience = 20;
// What a device that is still waking up answers as its model.
constexpr const char* kWakingModel = "/////";
// Averaging takes older readings only while the light is this low (sum of X + Y + Z over the
// readings taken, scaled by k / (k + 1)) and stops at a reading this far from the running mean.
constexpr double kAveragingLimit = 48.0;
constexpr double kLightChangeLimit = 1.5;
// How long leaving continuous mode waits for the line to fall quiet.
constexpr int kQuietPolls = 20;

std::vector<uint8_t> CommandBytes(const char* text) {
    std::vector<uint8_t> bytes(text, text + 2);
    bytes.push_back('\r');
    return bytes;
}

}  // namespace

KClmtr::KClmtr(Scheduler& clock) : clock_(clock), port_(std::make_unique<serialPort>()) {
    names_[0] = kFactoryName;
    useFactoryMatrix();
}

KClmtr::~KClmtr() {
    port_->close();
}

const std::string& KClmtr::calibrationName(int index) const {
    static const std::string none;
    return index >= 0 && index < kNameCount ? names_[static_cast<size_t>(index)] : none;
}

std::vector<std::string> KClmtr::CalibrationList() const {
    std::vector<std::string> list;
    for (int i = 0; i <= kK10Slots; ++i) {
        list.push_back(Format("%d", i) + " : " + names_[static_cast<size_t>(i)]);
    }
    return list;
}

void KClmtr::useFactoryMatrix() {
    if (matrixInUse_ != 0) {
        ringFilled_ = 0;
    }
    matrixInUse_ = 0;
    correction_ = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
    rgbMatrix_ = kXyzToRgbMatrix;
}

// ---- Exchanges ----

void KClmtr::leaveContinuousMode() {
    continuousMode_ = false;
    // The device may still be sending what it measured: wait until the line is quiet.
    std::vector<uint8_t> drained;
    for (int i = 0; i < kQuietPolls && port_->usable(); ++i) {
        clock_.sleep(kPollMs);
        drained.clear();
        if (!port_->readQueued(drained) || drained.empty()) {
            break;
        }
    }
}

bool KClmtr::exchange(const std::vector<uint8_t>& command, bool isMeasure, int minLength, int patience) {
    if (!isMeasure && continuousMode_) {
        leaveContinuousMode();
    }
    reply_.clear();
    if (!open_ || !port_->usable()) {
        flags_ |= kK10PortUnusable;
        return false;
    }
    port_->discardInput();
    port_->write(command);
    if (minLength < 0) {
        return true;
    }
    const int polls = std::max(patience, 1) * kPollsPerPatience;
    for (int round = 0; round < kRounds; ++round) {
        for (int poll = 0; poll < polls; ++poll) {
            clock_.sleep(kPollMs);
            if (!port_->readQueued(reply_)) {
                // The device has gone; waiting longer cannot bring the reply.
                flags_ |= kK10PortUnusable;
                return false;
            }
            if (reply_.size() >= static_cast<size_t>(minLength)) {
                return true;
            }
        }
    }
    flags_ |= kK10NoReply;
    return false;
}

bool KClmtr::exchange(const char* command) {
    const K10Command* c = FindK10Command(command);
    return c != nullptr && exchange(CommandBytes(command), std::string_view(command) == "N5", c->minReply, c->patience);
}

int32_t KClmtr::Exchange(const std::string& command, int minLength, int patience) {
    std::vector<uint8_t> bytes(command.begin(), command.end());
    bytes.push_back('\r');
    exchange(bytes, command == "N5", minLength, patience);
    return flags_;
}

// ---- Connect, identify, disconnect ----

bool KClmtr::identify() {
    model_.clear();
    serialNumber_.clear();
    if (!exchange("P0")) {
        return false;
    }
    const std::optional<K10Identity> id = ParseK10Identity(reply_);
    if (!id) {
        return false;
    }
    model_ = id->model;
    serialNumber_ = id->serialNumber;
    return IsK10Model(model_);
}

bool KClmtr::Connect(const std::string& portName) {
    portName_ = TrimK10Text(portName);
    lastError_.clear();
    flags_ = 0;
    open_ = false;
    if (!port_->open(portName_)) {
        lastError_ = port_->lastError();
        return false;
    }
    open_ = true;
    ringFilled_ = 0;
    bool recognised = false;
    for (int attempt = 0; attempt < 2 && !recognised; ++attempt) {
        recognised = identify();
    }
    if (!recognised && model_ == kWakingModel) {
        exchange("P0");
        recognised = identify();
    }
    if (!recognised) {
        lastError_ = model_.empty() ? "no answer to \"P0\"" : "not a K-10 (model \"" + model_ + "\")";
        port_->close();
        open_ = false;
        return false;
    }
    readNames();
    SelectMatrix(currentMatrix_);
    return true;
}

void KClmtr::readNames() {
    if (!exchange("D7")) {
        return;
    }
    const std::optional<std::vector<std::string>> names = ParseK10Names(reply_);
    if (!names) {
        return;
    }
    for (size_t k = 0; k < names->size(); ++k) {
        names_[k + 1] = (*names)[k];
    }
}

bool KClmtr::IsUsable() {
    if (!open_) {
        return false;
    }
    if (port_->usable()) {
        return true;
    }
    Disconnect();
    return false;
}

void KClmtr::Disconnect() {
    if (open_ && continuousMode_) {
        leaveContinuousMode();
    }
    continuousMode_ = false;
    port_->close();
    open_ = false;
    for (size_t i = 1; i < names_.size(); ++i) {
        names_[i].clear();
    }
    serialNumber_.clear();
    useFactoryMatrix();
    matrixLoaded_ = true;
    const std::string mark = kClosedMark;
    if (model_.size() < mark.size() || model_.compare(model_.size() - mark.size(), mark.size(), mark) != 0) {
        model_ += mark;
    }
}

// ---- Matrices ----

void KClmtr::SelectMatrix(int index) {
    if (index >= 0 && index < kSelectableMatrices) {
        currentMatrix_ = index;
    }
    matrixLoaded_ = true;
    matrixWarning_.clear();
    const std::string& name = names_[static_cast<size_t>(currentMatrix_)];
    if (currentMatrix_ == 0 || name == kBlankName || name == kFactoryName) {
        useFactoryMatrix();
        return;
    }
    // Whatever happens below, readings must not go on with the matrix of another slot.
    useFactoryMatrix();
    matrixLoaded_ = false;
    if (!exchange("D1") || reply_[0] != 'D' || reply_[1] != '1') {
        return;
    }
    const std::vector<uint8_t> slot = {static_cast<uint8_t>(currentMatrix_), '\r'};
    if (!exchange(slot, false, static_cast<int>(kK10MatrixLength), 2)) {
        return;
    }
    const std::optional<K10Matrix> m = ParseK10Matrix(reply_, static_cast<uint8_t>(currentMatrix_));
    if (!m) {
        return;
    }
    matrixLoaded_ = true;
    matrixWarning_ = K10MatrixWarning(*m);
    if (!m->correction) {
        return;  // the slot holds no correction matrix: measure as the factory calibrated
    }
    correction_ = m->correctionMatrix;
    rgbMatrix_ = m->rgbMatrix;
    matrixInUse_ = currentMatrix_;
    ringFilled_ = 0;
}

// ---- Measuring ----

int KClmtr::averageInto(Tristimulus& mean) {
    const size_t newest = readingCounter_ % kRingSize;
    Tristimulus sum = ring_[newest];
    double sumOfSums = sum.sum();
    int k = 1;
    // Only readings of this session and matrix: the rest of the ring holds zeros or another
    // correction, and would drag a dim reading down.
    const int available = std::min(ringFilled_, static_cast<int>(kRingSize));
    while (k < available) {
        if (!continuousMode_ && !secondMode_) {
            break;
        }
        if (sumOfSums > kAveragingLimit * k / (k + 1)) {
            break;
        }
        const uint32_t ring = kRingSize;
        const Tristimulus& older = ring_[(readingCounter_ + ring - static_cast<uint32_t>(k)) % ring];
        if (std::fabs(older.sum() - sumOfSums / k) > kLightChangeLimit) {
            flags_ |= kK10LightChanged;
            break;
        }
        sum.X += older.X;
        sum.Y += older.Y;
        sum.Z += older.Z;
        sumOfSums += older.sum();
        ++k;
    }
    mean = {sum.X / k, sum.Y / k, sum.Z / k};
    return k;
}

ColorimetricRecord KClmtr::Measure() {
    ColorimetricRecord record;
    // The device answers with the reading it finished last: the first answer only starts a
    // fresh one, the second carries it.
    if (!exchange("N5")) {
        record.errorFlags = flags_;
        flags_ = 0;
        return record;
    }
    const bool answered = exchange("N5");
    const std::optional<K10Measurement> m = answered ? ParseK10Measurement(reply_) : std::nullopt;
    if (!m) {
        EvaluateInto(rgbMatrix_, record);
        record.errorFlags |= flags_;
        flags_ = 0;
        return record;
    }
    record.rawX = m->X;
    record.rawY = m->Y;
    record.rawZ = m->Z;
    const K10Ranges ranges = DecodeK10Ranges(m->range);
    record.redRange = ranges.red;
    record.greenRange = ranges.green;
    record.blueRange = ranges.blue;
    flags_ |= K10StatusFlag(m->status);

    Tristimulus corrected{m->X, m->Y, m->Z};
    if (matrixInUse_ != 0) {
        const Matrix3& c = correction_;
        corrected = {c[0][0] * m->X + c[0][1] * m->Y + c[0][2] * m->Z,
                     c[1][0] * m->X + c[1][1] * m->Y + c[1][2] * m->Z,
                     c[2][0] * m->X + c[2][1] * m->Y + c[2][2] * m->Z};
    }
    ring_[readingCounter_ % kRingSize] = corrected;
    ringFilled_ = std::min(ringFilled_ + 1, static_cast<int>(kRingSize));

    Tristimulus mean;
    record.averagedCount = averageInto(mean);
    record.X = mean.X;
    record.Y = mean.Y;
    record.Z = mean.Z;
    ++readingCounter_;
    EvaluateInto(rgbMatrix_, record);
    record.errorFlags |= flags_;
    flags_ = 0;
    return record;
}

}  // namespace halvo

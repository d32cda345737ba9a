#pragma once

// KClmtr: the K-10 colorimeter. It identifies the device, reads the names of its stored
// calibration matrices, selects one, and takes measurements that it decodes, corrects, averages
// and evaluates into a ColorimetricRecord itself. The controller keeps one for the program's
// lifetime. Every wait goes through the station's Scheduler, so the driver runs on the virtual
// clock in tests exactly as on the wall clock.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "colorimetry/colorimetric_record.h"
#include "instruments/k10/k10_protocol.h"
#include "instruments/k10/serial_port.h"
#include "station/scheduler.h"

namespace halvo {

class KClmtr {
public:
    static constexpr int kNameCount = 100;
    static constexpr int kSelectableMatrices = 96;
    static constexpr int kRingSize = 32;
    static constexpr int kPollMs = 50;
    static constexpr const char* kFactoryName = "Factory Cal File";
    static constexpr const char* kBlankName = "Blank";
    static constexpr const char* kClosedMark = "CLOSED";

    explicit KClmtr(Scheduler& clock);
    virtual ~KClmtr();
    KClmtr(const KClmtr&) = delete;
    KClmtr& operator=(const KClmtr&) = delete;

    // Opens the port (name trimmed) and identifies the device; true for a "K-" or "KV-" model,
    // whose calibration names are then read and whose current matrix is selected again. On
    // failure the port is closed and lastError() says why.
    bool Connect(const std::string& portName);
    // Whether the port's state can still be read; a driver whose device has gone is closed.
    bool IsUsable();
    std::string SerialNumber() const { return serialNumber_; }
    const std::string& Model() const { return model_; }
    // "<i> : <name>" for i = 0..96.
    std::vector<std::string> CalibrationList() const;
    // Indices below 96 become current; then the current matrix is loaded (or the correction
    // switched off for the factory calibration and erased slots).
    void SelectMatrix(int index);
    ColorimetricRecord Measure();
    void Disconnect();

    // One command with its reply length and patience; returns the flags word.
    int32_t Exchange(const std::string& command, int minLength, int patience);

    // Averaging over the ring: continuous mode; the second switch is never set in this station.
    void setContinuousMode(bool on) { continuousMode_ = on; }
    bool continuousMode() const { return continuousMode_; }

    bool isOpen() const { return open_; }
    int currentMatrix() const { return currentMatrix_; }
    int matrixInUse() const { return matrixInUse_; }
    // False when the last SelectMatrix wanted a matrix from the device and did not get it.
    bool matrixLoaded() const { return matrixLoaded_; }
    // What the last matrix record showed unlike the devices seen so far (it is in use all the
    // same), or empty.
    const std::string& matrixWarning() const { return matrixWarning_; }
    const std::string& calibrationName(int index) const;
    const Matrix3& correctionMatrix() const { return correction_; }
    const RgbMatrix& rgbMatrix() const { return rgbMatrix_; }
    int32_t flags() const { return flags_; }
    uint32_t readingCounter() const { return readingCounter_; }
    const std::vector<uint8_t>& reply() const { return reply_; }
    const std::string& portName() const { return portName_; }
    const std::string& lastError() const { return lastError_; }

private:
    struct Tristimulus {
        double X = 0.0;
        double Y = 0.0;
        double Z = 0.0;
        double sum() const { return X + Y + Z; }
    };

    // True when a complete reply arrived; failures set their bit in flags_.
    bool exchange(const std::vector<uint8_t>& command, bool isMeasure, int minLength, int patience);
    bool exchange(const char* command);
    void leaveContinuousMode();
    bool identify();
    void readNames();
    void useFactoryMatrix();
    int averageInto(Tristimulus& mean);

    Scheduler& clock_;
    std::unique_ptr<serialPort> port_;
    bool open_ = false;
    std::string portName_;
    std::string model_;
    std::string serialNumber_;
    std::array<std::string, kNameCount> names_;
    int currentMatrix_ = 0;
    int matrixInUse_ = 0;
    bool matrixLoaded_ = true;
    std::string matrixWarning_;
    Matrix3 correction_{};
    RgbMatrix rgbMatrix_ = kXyzToRgbMatrix;
    std::array<Tristimulus, kRingSize> ring_{};
    int ringFilled_ = 0;  // readings of this session and matrix held in the ring
    uint32_t readingCounter_ = 0;
    int32_t flags_ = 0;
    bool continuousMode_ = false;
    bool secondMode_ = false;
    std::vector<uint8_t> reply_;
    std::string lastError_;
};

}  // namespace halvo

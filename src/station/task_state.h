#pragma once

// The dispatcher's shared task state: which task runs (CalibrationState, also the log channel),
// where in its sequence it is, the probe position, and the running procedure's progress.

#include <cstdint>

namespace halvo {

// Timer ids of the station.
inline constexpr int kTimerPrepare = 1;
inline constexpr int kTimerTrigger = 2;
inline constexpr int kTimerRead = 3;
inline constexpr int kTimerAux = 4;
inline constexpr int kTimerIdentify = 5;
inline constexpr int kTimerCountdown = 6;
inline constexpr int kTimerSequence = 7;

// Task codes (CalibrationState values) with a fixed meaning across the station.
inline constexpr int32_t kTaskIdle = 0;
inline constexpr int32_t kTaskWhitePoint = 10;
inline constexpr int32_t kTaskGamma = 11;
inline constexpr int32_t kTaskGammaUpload = 12;
inline constexpr int32_t kTaskModelDependent = 13;
inline constexpr int32_t kTaskColorSpace = 14;
inline constexpr int32_t kTaskWhitePointReadBack = 15;
inline constexpr int32_t kTaskColorSpaceUpload = 16;
inline constexpr int32_t kTaskPanelGamma = 17;
inline constexpr int32_t kTaskInputSource = 20;
inline constexpr int32_t kTaskAdc = 21;
inline constexpr int32_t kTaskAdcSecond = 22;
inline constexpr int32_t kTaskAging = 50;
inline constexpr int32_t kTaskSingleMeasurement = 224;

struct TaskState {
    int32_t CalibrationState = kTaskIdle;
    int32_t stepCounter = 0;
    int32_t positionIndex = 0;
    int32_t progressCount = 0;
    int32_t progressTotal = 0;
};

}  // namespace halvo

// The timed task dispatcher: seven one-shot timers carry all lasting work in short steps.
// 1 prepares the instrument, 2 triggers a measurement and pings the monitor, 3 reads both and
// hands the reading to the task in progress, 5 steps the identification, 6 counts down the
// completion notice, 7 steps the full calibration sequence.

#include <algorithm>
#include <iterator>

#include "app/halvo_dlg.h"
#include "colorimetry/chromaticity.h"
#include "colorimetry/evaluation.h"
#include "common/text_format.h"

namespace halvo {

void CHalvoDlg::onTimer(int id) {
    // Every timer is one-shot: the scheduler has stopped it; whatever runs next re-arms one.
    switch (id) {
        case kTimerPrepare: timerPrepare(); break;
        case kTimerTrigger: timerTrigger(); break;
        case kTimerRead: timerRead(); break;
        case kTimerAux: break;  // armed by some steps, no step of its own
        case kTimerIdentify: timerIdentify(); break;
        case kTimerCountdown: timerCountdown(); break;
        case kTimerSequence:
            if (steps_.sequence) {
                steps_.sequence();
            } else {
                log_.logMessage("Copying calibration data is not available in this build.", kChannelSys);
            }
            break;
        case kTimerRunEnd: settleRunEnd(); break;
        case kTimerPostedCommands:
            while (!posted_.empty()) {
                const auto [group, item] = posted_.front();
                posted_.pop_front();
                handleOperatorCommand(group, item);
            }
            break;
        default: break;
    }
}

void CHalvoDlg::timerIdentify() {
    if (const std::optional<int> next = identification_.step(task_.stepCounter, task_.positionIndex)) {
        scheduler_.arm(kTimerIdentify, *next);
        return;
    }
    if (identification_.validAnswers() == 0) {
        // Without this the only sign is the indicator, and the next calibration is refused as
        // an unsupported model.
        ui_.playSound(Sound::Error, false);
        log_.logMessage("The monitor did not answer. Check its cable and port, then connect again.", kChannelSys);
    }
    scheduler_.arm(kTimerPrepare, 10);
}

void CHalvoDlg::timerPrepare() {
    int delay = 500;
    if (instrumentOpen() && instrument_) {
        if (instrument_->kind() == InstrumentKind::K10) {
            fillK10MatrixList();
        }
        delay = instrument_->prepare();
    }
    scheduler_.arm(kTimerTrigger, delay);
}

void CHalvoDlg::timerTrigger() {
    const bool measuring = window_.continuouslyChecked || task_.CalibrationState != kTaskIdle;
    if (instrumentOpen() && instrument_) {
        if (!measuring) {
            sender_.sendMonitorCommand(MonitorCommand::KeepAlive, 0, 0);
            scheduler_.arm(kTimerRead, 100);
            return;
        }
        const InstrumentDriver::Trigger t = instrument_->trigger();
        if (t.rearm) {
            // A meter that keeps refusing or aborting its measurements never reaches the read
            // step; the time without a reading counts here as well.
            if (abandonRunOnLostLink(false)) {
                return;
            }
            scheduler_.arm(kTimerTrigger, t.delayMs);
            return;
        }
    }
    const int waitMs = instrument_ ? instrument_->waitMs() : setup_.measurementWaitMs();
    triggeredAtMs_ = scheduler_.nowMs();
    readBoundMs_.reset();
    if (settling_.fast() && instrument_ && instrument_->tellsWhenAnswered()) {
        // The fast run reads as soon as the answer is in, the wait still the bound.
        readBoundMs_ = triggeredAtMs_ + waitMs;
        scheduler_.arm(kTimerRead, std::min(kAnswerPollMs, waitMs));
    } else {
        scheduler_.arm(kTimerRead, waitMs);
    }
    if (task_.CalibrationState == kTaskWhitePoint && task_.stepCounter == 1) {
        sender_.sendMonitorCommand(MonitorCommand::GetRgbGain, 0, 0);
    } else {
        sender_.sendMonitorCommand(MonitorCommand::KeepAlive, 0, 0);
    }
}

void CHalvoDlg::timerRead() {
    // The two uploads step on timer 3 without readings.
    if (task_.CalibrationState != kTaskGammaUpload && task_.CalibrationState != kTaskColorSpaceUpload) {
        if (readBoundMs_ && instrument_ && scheduler_.nowMs() < *readBoundMs_ && !instrument_->answerComplete()) {
            scheduler_.arm(kTimerRead, std::min<int64_t>(kAnswerPollMs, *readBoundMs_ - scheduler_.nowMs()));
            return;
        }
        readBoundMs_.reset();
        const int instrumentBytes = instrument_ ? instrument_->pollCount(window_.continuouslyChecked) : 0;
        monitorReply = monitorLink_.readChunk();
        updateLinkIndicators(static_cast<int>(monitorReply.size()), instrumentBytes, false);

        if (!window_.continuouslyChecked && task_.CalibrationState == kTaskIdle) {
            scheduler_.arm(kTimerTrigger, 200);
            task_.stepCounter = 0;
            return;
        }

        const RawReading raw = instrument_ ? instrument_->read() : RawReading();
        if (abandonRunOnLostLink(raw.ok)) {
            return;
        }
        if (!raw.ok) {
            scheduler_.arm(kTimerTrigger, raw.retryMs);
            return;
        }
        const SensorOffsets offsets = setup_.readOffsets();
        const double x = raw.x + offsets.dx / 10000.0;
        const double y = raw.y + offsets.dy / 10000.0;
        const double lv = raw.lv + offsets.dLv;

        ReadingFromChromaticity(x, y, lv, currentReading);
        if (!raw.recordFilled) {
            currentRecord = EvaluateXyY(x, y, lv);
        } else if (offsets.dx != 0 || offsets.dy != 0 || offsets.dLv != 0) {
            // One reading agrees with itself: u', v', T, Duv and Lv from the corrected values too.
            instrument_->applyOffsets(x, y, lv, currentRecord);
        }
        // The colour temperature and Duv shown come from the locus spline.
        currentReading.duv = currentRecord.duv;
        currentReading.cct = static_cast<int32_t>(currentRecord.cct);
        currentReading.u = currentRecord.u;
        currentReading.vp = currentRecord.vp;
        currentReading.lv = currentRecord.Y;
        showCurrentReading();
        if (readingObserver) {
            readingObserver();
        }
    }

    if (task_.CalibrationState == kTaskIdle) {
        scheduler_.arm(kTimerTrigger, 500);
        task_.stepCounter = 0;
        return;
    }
    if (!instrumentOpen()) {
        return;  // the cycle rests until the next connect or command
    }
    if (!jigReady && jigReadySource) {
        jigReady = jigReadySource();
    }
    if (measure_.autoJigChecked && !jigReady) {
        scheduler_.arm(kTimerTrigger, 500);
        return;
    }
    if (settling_.open() && !takeSettledReading()) {
        return;
    }
    runTaskTable();
}

// The fast run's settling: a reading still moving is not handed to the step; the next one is
// triggered at once. The time of a reading is when the instrument was triggered.
bool CHalvoDlg::takeSettledReading() {
    const Repeatability r = instrument_ ? instrument_->repeatability() : Repeatability();
    const int64_t measuredAt = triggeredAtMs_;
    const PatchReading patch{currentReading.u, currentReading.vp, currentReading.lv};
    if (settling_.offer(patch, measuredAt, r) == MeasuredSettling::Verdict::Take) {
        return true;
    }
    scheduler_.arm(kTimerTrigger, 0);
    return false;
}

// The tests are made one after another, each on the value CalibrationState has at that moment:
// a step that changes the task can let a later test fire in the same tick.
void CHalvoDlg::runTaskTable() {
    const auto run = [this](const std::function<void()>& routine) {
        if (routine) {
            routine();
        } else {
            abandonTask(Format("Task %d has no procedure.", task_.CalibrationState));
        }
    };
    int32_t& state = task_.CalibrationState;
    // A code no test of the table knows would leave the cycle without a timer: report it.
    static constexpr int32_t kKnownTasks[] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13,
                                              14, 15, 16, 17, 20, 21, 22, 50, kTaskSingleMeasurement};
    if (std::find(std::begin(kKnownTasks), std::end(kKnownTasks), state) == std::end(kKnownTasks)) {
        abandonTask(Format("Unknown task %d.", state));
        return;
    }
    if (state >= 1 && state <= 4) {
        if (steps_.measurementStep) {
            steps_.measurementStep(state);
        } else {
            abandonTask(Format("Task %d has no procedure.", state));
        }
    }
    if (state >= 1 && state < 9 && steps_.measurementProgress) {
        steps_.measurementProgress();
    }
    if (state == kTaskWhitePoint) {
        run(steps_.whitePoint);
    }
    if (state == kTaskGamma) {
        run(steps_.gamma);
    }
    if (state == kTaskGammaUpload) {
        run(steps_.gammaUpload);
    }
    if (state == kTaskModelDependent) {
        // The uniformity step chooses its correction method from the model flags itself.
        run(steps_.uniformity);
    }
    if (state == kTaskColorSpace) {
        run(steps_.colourSpace);
    }
    if (state == kTaskWhitePointReadBack) {
        run(steps_.whitePointReadBack);
    }
    if (state == kTaskColorSpaceUpload) {
        run(steps_.colourSpaceUpload);
    }
    if (state == kTaskPanelGamma) {
        run(steps_.panelGamma);
    }
    if (state == kTaskInputSource) {
        run(steps_.inputSource);
    }
    if (state == kTaskAdc || state == kTaskAdcSecond) {
        run(steps_.adc);
    }
    if (state == kTaskAging) {
        run(steps_.aging);
    }
    if (state == kTaskSingleMeasurement) {
        window_.measureText = "Measure";
        state = kTaskIdle;
        // Back to the idle ping loop; without this the cycle would stop after a single reading
        // and the link indicators would freeze.
        scheduler_.arm(kTimerTrigger, 500);
        ui_.refresh();
    }
}

void CHalvoDlg::abandonTask(const std::string& why) {
    log_.logMessage(why, kChannelSys);
    task_.CalibrationState = kTaskIdle;
    task_.stepCounter = 0;
    calib_.running = false;
    measure_.running = false;
    setRunControlsEnabled(true);
    scheduler_.arm(kTimerTrigger, 500);
    runEnded(results::RunOutcome::Failed);
}

void CHalvoDlg::timerCountdown() {
    notices_.countdownText = Format("%d", completionCountdown) + " Sec";
    publishNotices();
    --completionCountdown;
    if (completionCountdown >= 0) {
        scheduler_.arm(kTimerCountdown, 1000);
        return;
    }
    completionCountdown = 15;
    stopTimers(kTimerPrepare, kTimerIdentify);
    sender_.sendMonitorCommand(MonitorCommand::SaveEeprom, 255, 2000);
    scheduler_.arm(kTimerTrigger, 2000);
    notices_.completionOpen = false;
    publishNotices();
    ui_.stopSound();
}

}  // namespace halvo

#pragma once

// CHalvoDlg: the station's controller. It keeps the name the station has always given it, though
// here it is no window: it owns every state block, the page models, the links and the instrument
// driver, runs the timed task dispatcher on a Scheduler and carries out the operator's commands.
// The Qt window, halvo-cli and the tests are front ends over it.

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_model.h"
#include "calibration/calibration_engine.h"
#include "caldata/calib_page.h"
#include "caldata/white_point_targets.h"
#include "colorimetry/color_reading.h"
#include "colorimetry/colorimetric_record.h"
#include "instruments/instrument.h"
#include "instruments/k10/k10_driver.h"
#include "instruments/pelko/pelko_search.h"
#include "monitor/eeprom_transfer.h"
#include "monitor/identification.h"
#include "monitor/monitor_sender.h"
#include "monitor/serial_link.h"
#include "reports/chart_painter.h"
#include "reports/measure_page.h"
#include "reports/measurement_results.h"
#include "reports/measurement_workflow.h"
#include "reports/report_export.h"
#include "results/results_sink.h"
#include "results/run_record.h"
#include "setup/setup_page.h"
#include "station/link_indicators.h"
#include "station/measured_settling.h"
#include "station/scheduler.h"
#include "station/station_log.h"
#include "station/station_ui.h"
#include "station/task_state.h"

namespace halvo {

// Internal timer that delivers posted operator commands, as the window's message queue does.
inline constexpr int kTimerPostedCommands = 100;
// Internal timer that closes a run's record once its end has said everything it has to say.
inline constexpr int kTimerRunEnd = 101;

// Logged when a completed calibration's countdown ends without the EEPROM save.
inline constexpr const char* kCalibrationNotStored =
    "The calibration was not stored in the monitor's EEPROM; the monitor loses it when switched off.";

class CHalvoDlg : public CommandSink, private IdentificationListener, private CalibrationHost {
public:
    struct Options {
        std::string workingDirectory = ".";  // Config.ini, sounds
        int versionMajor = 0;
        int versionMinor = 0;
        // The serial ports of the machine (the station enumerates them once at start-up).
        std::function<std::vector<std::string>()> enumeratePorts;
    };

    // The task steps of the procedures. A procedure that exists sets its slot; a task whose slot
    // is empty is reported and abandoned instead of hanging the cycle.
    struct StepRoutines {
        std::function<void(int state)> measurementStep;  // states 1..4
        std::function<void()> measurementProgress;       // states 1..8
        std::function<void()> whitePoint;                // 10
        std::function<void()> gamma;                     // 11
        std::function<void()> gammaUpload;               // 12
        std::function<void()> uniformity;                // 13
        std::function<void()> colourSpace;               // 14
        std::function<void()> whitePointReadBack;        // 15
        std::function<void()> colourSpaceUpload;         // 16
        std::function<void()> panelGamma;                // 17
        std::function<void()> inputSource;               // 20
        std::function<void()> adc;                       // 21, 22
        std::function<void()> aging;                     // 50
        std::function<void()> sequence;                  // timer 7
        std::function<void()> sequenceStart;             // 2/10: the copy's counters back to the start
        std::function<void()> sequenceAbort;             // the copy given up (disconnect)
    };

    CHalvoDlg(Scheduler& scheduler, StationUi& ui, Options options);
    ~CHalvoDlg() override;
    CHalvoDlg(const CHalvoDlg&) = delete;
    CHalvoDlg& operator=(const CHalvoDlg&) = delete;

    // Window initialisation. False when the machine has no serial port: "No COMM port exists!"
    // was shown and the pages were not built.
    bool initDialog();

    // ---- Main window controls ----
    void onConnectClicked(bool checked);
    void onMeasureClicked();
    void onContinuouslyToggled(bool checked);
    void onTabChanged(int index);
    void onClearLog();
    void onSaveLog();
    // Enter in "Cal. ID".
    void onCalIdEnter(const std::string& text);
    std::string aboutText() const;

    // ---- Notices ----
    void onCompletionOk();
    void onCompletionCancel();
    // Ends a completion countdown that is still running without storing anything, and says so in
    // the log (a front end's own choice not to store; a disconnect).
    void leaveCalibrationUnstored();
    void onFailureOk();
    void onWarningOk();
    void onWarningCancel();
    const NoticeState& notices() const { return notices_; }

    // ---- Operator commands ----
    // Posted: carried out in the order posted, right after the current step.
    void postOperatorCommand(int group, int item) override;
    // Carried out at once.
    void handleOperatorCommand(int group, int item);

    // ---- What the calibration and measurement procedures call ----
    void calibrationCompleted() override;
    void calibrationFailed() override;
    // enable true: pages and controls back; false: mode 1 a measurement runs, 2 a calibration.
    void setRunControlsEnabled(bool enable, int mode = 0) override;
    // Both links alive, or the refusal (sound and log line) and false.
    bool checkLinks() override;
    // The monitor link alive, or ".\Error.wav" with "Monitor is not connected." and false.
    bool checkMonitorAlive();

    // ---- Verification (the Measure page) ----
    // "Measure" on the Measure page: starts the verification run, or stops the running one.
    bool startOrStopMeasurement();
    // "Save as.." on the Measure page: the report as a workbook or text.
    void saveReport();
    // What a report is made of now: the page, the results, the header texts, the gains.
    ReportSources reportSources();
    // An external jig that reports the probe in place; its box "Auto(JIG)" becomes usable.
    void attachJig(std::function<bool()> ready);
    MeasurementWorkflow& measurement() { return *measurement_; }
    // The report values of the last verification run.
    MeasurementResults measurementResults;
    // Renders the report's chart pictures; without one the workbook has none.
    ChartPainter* chartPainter = nullptr;
    // Lays the certificate out as PDF; without one "Save as.." offers no certificate.
    CertificateWriter* certificateWriter = nullptr;
    // What the certificate is made of now: the report's sources and the monitor's firmware, the
    // station's name, and the verification before the calibration that this one followed.
    CertificateSources certificateSources();
    // The station's own name ([Station] Name= of Station.ini) for its certificates and run
    // records; the host name while it is empty.
    std::string stationName;
    // The serial number of the instrument in use where the instrument gives one, else "".
    std::string instrumentSerial() const;

    // ---- State ----
    StationLog& log() { return log_; }
    TaskState& task() { return task_; }
    Scheduler& scheduler() { return scheduler_; }
    StationUi& ui() { return ui_; }
    MonitorSender& sender() { return sender_; }
    SerialLink& monitorLink() { return monitorLink_; }
    SerialLink& instrumentLink() { return instrumentLink_; }
    InstrumentDriver* instrument() { return instrument_.get(); }
    // The K-10 driver, kept from window initialisation to the end.
    KClmtr* k10() { return k10_.get(); }
    bool instrumentOpen() const { return instrumentLink_.isOpen != 0; }
    Setup& setup() { return setup_; }
    Ccalib& calib() { return calib_; }
    CMeasure& measure() { return measure_; }
    MainWindowModel& window() { return window_; }
    const LinkIndicators& links() const { return links_; }
    const MonitorIdentity& identity() const { return identification_.identity(); }
    bool alternateWhites() const { return identity().modelTxm600HdS; }
    StepRoutines& steps() { return steps_; }
    CalibrationEngine& engine() { return *engine_; }
    // The run's mode: the prescribed waits and searches (the default) or the fast run. A front
    // end chooses it before a calibration or verification starts; it holds for every run that
    // follows until changed.
    RunMode runMode() const { return calib_.fastCalibration.checked ? RunMode::Fast : RunMode::Prescribed; }
    void setRunMode(RunMode mode) { calib_.fastCalibration.checked = mode == RunMode::Fast; }
    const MeasuredSettling& settling() const { return settling_; }

    ColorReading currentReading;
    ColorReading referenceReading;
    ColorimetricRecord currentRecord;
    // The monitor's bytes of the latest poll (the white-point step reads the RGB gain from them).
    Bytes monitorReply;
    // Reference luminance of targets, cd/m2 (100 after every reset).
    int referenceLuminance = 100;
    // The calibration ID of the connected monitor (from "Cal. ID").
    std::string calibrationId;
    // Completion countdown (timer 6).
    int completionCountdown = 15;
    // The external jig reports a probe in place ("Auto(JIG)").
    bool jigReady = false;
    // Asked while the flag is clear; set by attachJig.
    std::function<bool()> jigReadySource;
    // The EEPROM image of the operator's copy.
    EepromImage eepromImage;
    // Aging lines collected (at most 1000).
    std::vector<std::string> agingLines;
    // Number of white-point entries in use (6 or 7).
    int whiteEntryCount = 7;
    // The white-point targets (the calibration page shows them; 5/n sets their marks).
    WhitePointTargets whiteTargets = DefaultWhitePointTargets(false, 100.0);
    // The last white-point entry sent with command 2/4 (-1: none yet).
    int lastWhiteEntrySent = -1;
    // What the last PELKO device search found (command 9).
    PelkoSearch pelkoSearch;

    // Called after every reading the cycle takes (front ends print or count them).
    std::function<void()> readingObserver;

    // ---- The record of every run (run_journal.cpp) ----
    // Where each run's record goes when the run ends; null: runs are not recorded.
    results::ResultsSink* resultsSink = nullptr;
    bool runInProgress() const { return run_.active; }
    // The Calibration page takes a stored .cal text as if it were loaded from a file named after
    // the calibration ID. False when it is not calibration data.
    bool loadCalibrationText(const std::string& calText, const std::string& calibrationId);

    // The current channel for log lines: the task in progress.
    void logMessage(const std::string& text) { log_.logMessage(text, task_.CalibrationState); }

private:
    // The verification a calibration started from, kept for the certificate's "before" column
    // while the same monitor stays connected.
    struct EarlierVerification {
        MeasurementResults results;
        uint8_t mask = 1;
        bool colorSpaceMode = false;
        std::string monitorId;
        bool calibratedSince = false;
    };
    std::optional<EarlierVerification> beforeCalibration_;
    // The calibration ID of the monitor the measurement results belong to.
    std::string resultsMonitorId_;
    void noteCalibrationStarted();

    // CalibrationHost
    void clearRunDisplays() override;
    void agingProgress(int maximum, int position) override;
    void agingEnded() override;
    void showCalibrationTab() override;
    void wireCalibration();

    // IdentificationListener
    void onVersion(const MonitorIdentity& identity) override;
    void onCalibrationId(const std::string& id) override;
    void onBacklight(uint8_t level) override;
    void onMarkerDrawn(int32_t positionIndex) override;

    void onTimer(int id);
    void timerPrepare();
    void timerTrigger();
    void timerRead();
    void timerIdentify();
    void timerCountdown();
    void runTaskTable();
    bool takeSettledReading();
    // The fast run's reading at the meter's pace: how often the answer is looked for, when the
    // last trigger went out, and until when the read step waits for its answer.
    static constexpr int kAnswerPollMs = 20;
    int64_t triggeredAtMs_ = 0;
    std::optional<int64_t> readBoundMs_;
    void loadFastCalibrationSetting();
    // A task the table cannot run: said why, and the station back to idle.
    void abandonTask(const std::string& why);
    void unknownCommand(int group, int item);
    // A calibration whose monitor or instrument stopped answering is failed; true when it was.
    bool abandonRunOnLostLink(bool readingTaken);
    void stopTimers(int first, int last);

    void resetTaskState();
    // The report's results back to not measured, and the Measure page's list with them.
    void resetReportValues();
    void connect();
    void disconnect();
    void setConnectedControls(bool connected);
    void updateLinkIndicators(int monitorBytes, int instrumentBytes, bool force);
    void showCurrentReading();
    InstrumentKind selectedKind() const;
    InstrumentSettings instrumentSettings() const;
    void eepromRead();
    void eepromWrite();
    void saveAgingReport();
    void agingStartStop();
    void searchPelkoDevices();
    void publishNotices();
    // K-10: the Setup "Cal File" list from the driver (prepare step), and command 3/8.
    void fillK10MatrixList();
    void selectK10Matrix();
    void showSelectedColorSpaceTargets();
    void rebuildWhitePointTargets(bool alternate);
    void whitePointListLength();
    void manualGains();
    void panelGammaCheck();
    void startCopy();
    void calibrationDataLoaded();
    void installMeasurement();
    void measureCommand(int item);

    // The run in progress and its record. A run begins when the controls lock for it (or when
    // aging or an EEPROM copy starts) and ends in one place, runEnded, which hands the record
    // to resultsSink. Where the end is only known once its last lines are written (a copy, a
    // uniformity pass), it is closed by timer kTimerRunEnd or before anything else begins.
    struct RunJournal {
        bool active = false;
        bool endPending = false;
        results::RunKind kind = results::RunKind::Calibration;
        int64_t startedUnixMs = 0;
        int64_t startedStationMs = 0;
        int sequence = 0;
        int uniformityCompleted = 0;
        int uniformityAbandoned = 0;
        results::RunRecord record;  // what is known of it so far
    };
    class RunLogCapture : public LogListener {
    public:
        void onLogAppended(const std::string& entry) override {
            if (capturing) {
                text += entry;
            }
        }
        void onLogCleared() override {}
        bool capturing = false;
        std::string text;
    };
    void runBegan(results::RunKind kind);
    void runEnded(results::RunOutcome outcome, const std::string& reason = {});
    // A pending end decided from what the run left behind.
    void settleRunEnd();
    // What the record holds at the end of the run's work: monitor, instrument, items, .cal.
    void snapshotRun();
    void runControlsChanged(bool enable, int mode);
    // The last line the run wrote to the log: why it failed or stopped, as far as it says.
    std::string runReason() const;

    RunJournal run_;
    RunLogCapture runLog_;
    // The calibration that completed last on this connection, which a verification follows.
    std::string lastCalibrationRunId_;

    Scheduler& scheduler_;
    StationUi& ui_;
    Options options_;

    StationLog log_;
    TaskState task_;
    SerialLink monitorLink_;
    SerialLink instrumentLink_;
    MonitorSender sender_;
    MonitorIdentification identification_;
    EepromTransfer eeprom_;
    LinkIndicators links_;
    std::unique_ptr<KClmtr> k10_;
    InstrumentContext instrumentContext_;
    std::unique_ptr<InstrumentDriver> instrument_;
    Setup setup_;
    Ccalib calib_;
    CMeasure measure_;
    MainWindowModel window_;
    NoticeState notices_;
    StepRoutines steps_;
    // The calibration procedures; built last, over the members above.
    MeasuredSettling settling_;
    std::unique_ptr<CalibrationEngine> engine_;
    std::deque<std::pair<int, int>> posted_;
    std::unique_ptr<MeasurementWorkflow> measurement_;
    // Since when the running calibration has had no reading (-1: it had one last time).
    int64_t failedReadsSinceMs_ = -1;
};

}  // namespace halvo

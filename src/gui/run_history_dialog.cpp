#include "gui/run_history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

#include "gui/background_task.h"
#include "results/results_source.h"

namespace halvo::gui {

namespace {

struct History {
    std::vector<results::RunRecord> runs;
    std::string place;
    std::string error;
};

struct Detail {
    std::optional<results::RunRecord> verification;
    std::optional<results::RunRecord> data;
    std::string error;
};

QString Shown(const std::string& iso) {
    QString t = QString::fromStdString(iso.substr(0, 19));
    return t.replace('T', ' ');
}

QString OutcomeText(const results::RunRecord& r) {
    QString text = results::RunOutcomeName(r.outcome);
    if (r.outcome == results::RunOutcome::Completed && r.kind == results::RunKind::Verification) {
        text += r.passed ? ", passed" : ", out of range";
    }
    return text;
}

QTableWidget* Table(const char* name, const QStringList& heads, QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(heads.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(heads);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void SetRow(QTableWidget* t, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) {
        t->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
}

}  // namespace

RunHistoryDialog::RunHistoryDialog(CHalvoDlg& station, results::ResultsTarget target, QWidget* parent)
    : QDialog(parent), station_(station), target_(std::move(target)) {
    setObjectName("RunHistoryDialog");
    setWindowTitle("Earlier runs");
    resize(900, 620);
    auto* layout = new QVBoxLayout(this);
    heading_ = new QLabel(this);
    heading_->setObjectName("historyHeading");
    heading_->setWordWrap(true);
    layout->addWidget(heading_);
    list_ = Table("historyList", {"Date (UTC)", "Station", "Operator", "Kind", "Outcome", "S/N", "Cal. ID"}, this);
    layout->addWidget(list_, 3);
    detailHeading_ = new QLabel("Choose a run to see its verification.", this);
    detailHeading_->setObjectName("historyDetailHeading");
    layout->addWidget(detailHeading_);
    items_ = Table("historyItems", {"Test", "Item", "Quantity", "Value", "Limit", "Verdict"}, this);
    layout->addWidget(items_, 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    load_ = buttons->addButton("Load calibration data", QDialogButtonBox::ActionRole);
    load_->setObjectName("historyLoad");
    load_->setEnabled(false);
    reload_ = buttons->addButton("Refresh", QDialogButtonBox::ActionRole);
    reload_->setObjectName("historyReload");
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(load_, &QPushButton::clicked, this, [this] { loadCalibration(); });
    QObject::connect(reload_, &QPushButton::clicked, this, [this] { reload(); });
    QObject::connect(list_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { select(row); });
    reload();
}

void RunHistoryDialog::reload() {
    const std::string id = station_.calibrationId;
    const std::string serial = station_.setup().serialNumber.text;
    QString who;
    if (!id.empty()) {
        who = "calibration ID " + QString::fromStdString(id);
    }
    if (!serial.empty()) {
        who += (who.isEmpty() ? "S/N " : " and S/N ") + QString::fromStdString(serial);
    }
    if (who.isEmpty()) {
        heading_->setText("The monitor has no calibration ID and no S/N is given on the Setup page: connect a monitor "
                          "or fill in \"S/N\".");
        return;
    }
    heading_->setText("Reading the runs of " + who + " ...");
    loading_ = true;
    reload_->setEnabled(false);
    ++request_;
    const int request = request_;
    RunInBackground<RunHistoryDialog, History>(
        this,
        [target = target_, id, serial]() {
            History h;
            results::ResultsSource source;
            if (!results::OpenForReading(target, false, source, &h.error)) {
                return h;
            }
            h.place = source.place;
            results::MonitorHistory(source, id, serial, h.runs, &h.error);
            return h;
        },
        [who, request](RunHistoryDialog& d, History& h) {
            if (request != d.request_) {
                return;
            }
            d.runs_ = std::move(h.runs);
            d.heading_->setText((h.error.empty() ? QString("Runs of %1 in %2").arg(who, QString::fromStdString(h.place))
                                                 : QString::fromStdString(h.error)));
            d.showRuns(h.place, h.error);
        });
}

void RunHistoryDialog::showRuns(const std::string&, const std::string&) {
    loading_ = false;
    reload_->setEnabled(true);
    const QSignalBlocker block(list_);
    list_->setRowCount(static_cast<int>(runs_.size()));
    for (size_t i = 0; i < runs_.size(); ++i) {
        const results::RunRecord& r = runs_[i];
        SetRow(list_, static_cast<int>(i),
               {Shown(r.startedAt), QString::fromStdString(r.station), QString::fromStdString(r.operatorName),
                results::RunKindName(r.kind), OutcomeText(r), QString::fromStdString(r.serialNumber),
                QString::fromStdString(r.calibrationId)});
        if (!r.reason.empty()) {
            list_->item(static_cast<int>(i), 4)->setToolTip(QString::fromStdString(r.reason));
        }
    }
    list_->resizeColumnsToContents();
    items_->setRowCount(0);
    calibrationData_.reset();
    load_->setEnabled(false);
    if (runs_.empty()) {
        detailHeading_->setText("No earlier run of this monitor is recorded.");
    }
}

void RunHistoryDialog::select(int row) {
    if (row < 0 || row >= static_cast<int>(runs_.size())) {
        return;
    }
    const results::RunRecord& r = runs_[static_cast<size_t>(row)];
    std::string verificationId;
    if (r.kind == results::RunKind::Verification) {
        verificationId = r.runId;
    } else if (const results::RunRecord* after = results::VerificationAfter(runs_, r.runId)) {
        verificationId = after->runId;
    }
    std::string dataId;
    if (r.kind == results::RunKind::Calibration || r.kind == results::RunKind::Copy) {
        dataId = r.runId;
    } else if (!r.parentRunId.empty()) {
        dataId = r.parentRunId;
    }
    detailHeading_->setText("Reading the run ...");
    load_->setEnabled(false);
    ++request_;
    const int request = request_;
    RunInBackground<RunHistoryDialog, Detail>(
        this,
        [target = target_, verificationId, dataId]() {
            Detail d;
            results::ResultsSource source;
            if (!results::OpenForReading(target, false, source, &d.error) || source.empty) {
                return d;
            }
            if (!verificationId.empty()) {
                d.verification = source.store->get(verificationId, &d.error);
            }
            if (!dataId.empty()) {
                d.data = source.store->get(dataId, &d.error);
            }
            return d;
        },
        [request](RunHistoryDialog& dialog, Detail& d) {
            if (request == dialog.request_) {
                dialog.showDetail(d.verification, d.data, d.error);
            }
        });
}

void RunHistoryDialog::showDetail(const std::optional<results::RunRecord>& verification,
                                  const std::optional<results::RunRecord>& calibration, const std::string& error) {
    items_->setRowCount(0);
    calibrationData_ = calibration && calibration->calText ? calibration : std::nullopt;
    load_->setEnabled(calibrationData_.has_value());
    if (!verification) {
        detailHeading_->setText(error.empty() ? "No verification of this run is recorded." : QString::fromStdString(error));
        return;
    }
    int outOfRange = 0;
    items_->setRowCount(static_cast<int>(verification->items.size()));
    for (size_t i = 0; i < verification->items.size(); ++i) {
        const results::VerificationItem& item = verification->items[i];
        SetRow(items_, static_cast<int>(i),
               {QString::fromStdString(item.test), QString::fromStdString(item.item), QString::fromStdString(item.quantity),
                QString::fromStdString(item.value), QString::fromStdString(item.limit),
                QString::fromStdString(item.verdict)});
        if (item.verdict == "OR") {
            ++outOfRange;
            items_->item(static_cast<int>(i), 5)->setForeground(QColor(0xC0, 0, 0));
        }
    }
    items_->resizeColumnsToContents();
    detailHeading_->setText(QString("Verification of %1 at %2: %3")
                                .arg(QString::fromStdString(verification->calibrationId), Shown(verification->startedAt),
                                     outOfRange == 0 ? QString("every measured item OK")
                                                     : QString("%1 item(s) out of range").arg(outOfRange)));
}

void RunHistoryDialog::loadCalibration() {
    if (!calibrationData_ || !calibrationData_->calText) {
        return;
    }
    if (station_.loadCalibrationText(*calibrationData_->calText, calibrationData_->calibrationId)) {
        station_.onTabChanged(kTabCalibration);
        accept();
    }
}

}  // namespace halvo::gui

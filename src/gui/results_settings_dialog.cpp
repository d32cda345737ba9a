#include "gui/results_settings_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include <cstdlib>

#include "gui/background_task.h"
#include "results/pg_database.h"
#include "results/results_schema.h"

namespace halvo::gui {

namespace {

QSpinBox* Seconds(const char* name, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 300);
    box->setSuffix(" s");
    box->setValue(value);
    return box;
}

}  // namespace

ResultsSettingsDialog::ResultsSettingsDialog(std::string directory, QWidget* parent)
    : QDialog(parent), directory_(std::move(directory)) {
    setObjectName("ResultsSettingsDialog");
    setWindowTitle("Results");
    results::ResultsSettings s;
    std::string error;
    const bool read = results::LoadResultsSettings(directory_, s, &error);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "Every calibration, verification, copy, EEPROM copy and aging run is recorded when it ends, first "
        "in this station's own database, then on the line's results server when one is given.",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    station_ = new QLineEdit(QString::fromStdString(s.station), this);
    station_->setObjectName("resultsStation");
    station_->setPlaceholderText(QString::fromStdString(HostName()));
    server_ = new QLineEdit(QString::fromStdString(s.server), this);
    server_->setObjectName("resultsServer");
    server_->setPlaceholderText("postgresql://user@host/halvo (empty: this station only)");
    server_->setMinimumWidth(360);
    connectTimeout_ = Seconds("resultsConnectTimeout", s.connectTimeoutSeconds, this);
    statementTimeout_ = Seconds("resultsStatementTimeout", s.statementTimeoutSeconds, this);
    auto* local = new QLabel(QString::fromStdString(results::DefaultResultsDatabasePath()), this);
    local->setObjectName("resultsLocalPath");
    local->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow("Station name", station_);
    form->addRow("Results server", server_);
    form->addRow("Connect time-out", connectTimeout_);
    form->addRow("Statement time-out", statementTimeout_);
    form->addRow("This station's database", local);
    layout->addLayout(form);
    if (const char* env = std::getenv(results::kResultsDbVariable); env != nullptr && env[0] != '\0') {
        auto* note = new QLabel(QString("HALVO_RESULTS_DB is set (%1): it comes before the server given here.")
                                    .arg(QString::fromStdString(results::RedactUrl(env))),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* row = new QHBoxLayout;
    test_ = new QPushButton("Test connection", this);
    test_->setObjectName("resultsTest");
    status_ = new QLabel(read ? QString() : QString::fromStdString(error), this);
    status_->setObjectName("resultsStatus");
    status_->setWordWrap(true);
    row->addWidget(test_);
    row->addWidget(status_, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    QObject::connect(test_, &QPushButton::clicked, this, [this] { testConnection(); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (save()) {
            accept();
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

results::ResultsSettings ResultsSettingsDialog::settings() const {
    results::ResultsSettings s;
    s.station = station_->text().trimmed().toStdString();
    s.server = server_->text().trimmed().toStdString();
    s.connectTimeoutSeconds = connectTimeout_->value();
    s.statementTimeoutSeconds = statementTimeout_->value();
    return s;
}

bool ResultsSettingsDialog::save() {
    const results::ResultsSettings s = settings();
    if (!s.server.empty() && !results::IsServerUrl(s.server)) {
        QMessageBox::warning(this, "Results", "The results server is given as postgresql://user@host/database.");
        return false;
    }
    std::string error;
    if (!results::SaveResultsSettings(directory_, s, &error)) {
        QMessageBox::warning(this, "Results", QString::fromStdString(error));
        return false;
    }
    return true;
}

void ResultsSettingsDialog::testConnection() {
    const results::ResultsSettings s = settings();
    if (!results::IsServerUrl(s.server)) {
        status_->setText("Give the server as postgresql://user@host/database.");
        return;
    }
    test_->setEnabled(false);
    status_->setText("Connecting ...");
    const results::PgTimeouts timeouts{s.connectTimeoutSeconds * 1000, s.statementTimeoutSeconds * 1000};
    RunInBackground<ResultsSettingsDialog, std::string>(
        this,
        [url = s.server, timeouts]() -> std::string {
            std::string error;
            auto db = results::PgDatabase::Connect(url, timeouts, nullptr, &error);
            if (!db) {
                return error;
            }
            std::vector<results::SqlRow> rows;
            const char* version = "SELECT current_setting('server_version')";
            const std::string server = db->exec(version, {}, &rows, &error) && !rows.empty() && rows[0][0]
                                           ? *rows[0][0]
                                           : std::string("?");
            const results::SchemaCheck check = results::OpenSchema(*db, results::ResultsMigrations(), false);
            if (check.status == results::SchemaStatus::Newer || check.status == results::SchemaStatus::Foreign) {
                return check.message;
            }
            return "Connected: PostgreSQL " + server + " at " + db->describe() +
                   (check.version == 0 ? " (no results yet)." : ".");
        },
        [](ResultsSettingsDialog& dialog, std::string& outcome) {
            dialog.status_->setText(QString::fromStdString(outcome));
            dialog.test_->setEnabled(true);
        });
}

}  // namespace halvo::gui

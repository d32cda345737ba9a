#include "gui/qt_station_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>
#include <QMessageBox>

#include <filesystem>

#include "gui/file_filter.h"
#include "gui/main_window.h"
#include "gui/sound_tones.h"

namespace halvo::gui {

QtStationUi::QtStationUi(SoundOutput& sound, std::vector<std::string> soundDirectories)
    : sound_(sound), soundDirectories_(std::move(soundDirectories)) {}

void QtStationUi::attach(MainWindow* window, QtScheduler* scheduler) {
    window_ = window;
    scheduler_ = scheduler;
    if (window_) {
        window_->notices().apply(notices_);
        window_->refresh();
    }
}

void QtStationUi::messageBox(const std::string& text) {
    messages_.push_back(text);
    // Shown without waiting for it: the station's step goes on, and its timers keep running,
    // while the operator reads.
    auto* box = new QMessageBox(QMessageBox::Information, "Halvo", QString::fromStdString(text), QMessageBox::Ok,
                                window_);
    box->setObjectName("stationMessage");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window_ ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

bool QtStationUi::askYesNo(const std::string& text) {
    messages_.push_back(text);
    const QtScheduler::Hold hold(scheduler_);
    return QMessageBox::question(window_, "Halvo", QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtStationUi::chooseOpenPath(const std::string& filter, const std::string& suggested) {
    return choosePath(false, filter, suggested);
}

std::optional<std::string> QtStationUi::chooseSavePath(const std::string& filter, const std::string& suggested) {
    return choosePath(true, filter, suggested);
}

std::optional<std::string> QtStationUi::choosePath(bool save, const std::string& filter,
                                                   const std::string& suggested) {
    const FileFilter f = ToQtFileFilter(filter);
    QFileDialog dialog(window_);
    dialog.setObjectName("stationFileDialog");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(f.qtFilter));
    if (!f.defaultSuffix.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(f.defaultSuffix));
        // A name typed without an extension takes that of the filter shown, not the first one's.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
            const QRegularExpressionMatch m = QRegularExpression(R"(\*\.(\w+))").match(chosen);
            if (m.hasMatch()) {
                dialog.setDefaultSuffix(m.captured(1));
            }
        });
    }
    // Suggested names are relative to the working directory, where the station keeps its files.
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    dialog.setDirectory(QString::fromStdString(error ? std::string(".") : here.string()));
    if (!suggested.empty()) {
        dialog.selectFile(QString::fromStdString(suggested));
    }
    const QtScheduler::Hold hold(scheduler_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::string QtStationUi::soundPath(Sound sound) const {
    for (const std::string& directory : soundDirectories_) {
        const std::filesystem::path path = std::filesystem::path(directory) / SoundFileName(sound);
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            return path.string();
        }
    }
    return {};
}

void QtStationUi::playSound(Sound sound, bool loop) {
    const std::string path = soundPath(sound);
    if (path.empty()) {
        sound_.stop();  // a new sound replaces the old one even when it cannot be found
        return;
    }
    sound_.play(path, loop);
}

void QtStationUi::stopSound() { sound_.stop(); }

void QtStationUi::noticesChanged(const NoticeState& notices) {
    notices_ = notices;
    if (window_) {
        window_->notices().apply(notices_);
    }
}

void QtStationUi::beginBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtStationUi::endBusy() { QApplication::restoreOverrideCursor(); }

void QtStationUi::refresh() {
    if (window_) {
        window_->refresh();
    }
}

}  // namespace halvo::gui

// halvo: the station window.

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "common/install_layout.h"
#include "common/version.h"
#include "gui/gui_args.h"
#include "gui/station_app.h"

int main(int argc, char** argv) {
    using namespace halvo::gui;
    const std::vector<std::string> raw(argv + 1, argv + argc);
    // Answered before Qt starts, so that they work without a display.
    if (AsksForHelpOrVersion(raw)) {
        const GuiArgs args = ParseGuiArgs(raw);
        if (args.help) {
            std::fputs(kGuiUsage, stdout);
        } else {
            std::printf("halvo %s\n", halvo::kVersionText);
        }
        return 0;
    }

    QApplication app(argc, argv);  // takes Qt's own options out of argv
    // Qt adopts the desktop's locale for the C library too; the station's files and logs are
    // written with printf formats and must keep a decimal point whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Halvo");
    QApplication::setApplicationVersion(halvo::kVersionText);
    const GuiArgs args = ParseGuiArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!args.error.empty()) {
        std::fprintf(stderr, "halvo: %s\n%s", args.error.c_str(), kGuiUsage);
        return 2;
    }

    StationAppOptions options;
    options.simulate = args.simulate;
    options.resultsDb = args.resultsDb;
    // The station's sounds are looked for in the working directory, as always; the installed
    // copies, or those built next to the program, stand in when it has none.
    options.soundDirectories = {"."};
    if (const std::string installed = halvo::InstalledSoundDirectory(); !installed.empty()) {
        options.soundDirectories.push_back(installed);
    }
    options.soundDirectories.push_back(QApplication::applicationDirPath().toStdString());
    StationApp station(options);
    station.start();
    station.window().show();
    // For start-up measurements (docs/performance.md): leave once the first events, the window's
    // first painting among them, are handled.
    if (std::getenv("HALVO_EXIT_WHEN_READY") != nullptr) {
        QTimer::singleShot(0, &app, &QApplication::quit);
    }
    return QApplication::exec();
}

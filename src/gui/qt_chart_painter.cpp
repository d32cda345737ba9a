#include "gui/qt_chart_painter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <stdlib.h>

#include <memory>


#include "gui/chart_painting.h"

namespace halvo::gui {

std::optional<std::string> QtChartPainter::renderPng(const ChartScene& scene, int width, int height) {
    if (width <= 0 || height <= 0 || QGuiApplication::instance() == nullptr) {
        return std::nullopt;
    }
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintChart(painter, image.rect(), scene);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void EnsureOffscreenGuiApplication() {
    if (QGuiApplication::instance() != nullptr) {
        return;
    }
    // Qt wants a private runtime directory and complains without one; a headless tool started
    // from a service or a container often has none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static char runtime[] = "/tmp/halvo-runtime-XXXXXX";
        if (mkdtemp(runtime) != nullptr) {
            qputenv("XDG_RUNTIME_DIR", runtime);
        }
    }
    // Kept for the rest of the process, as Qt wants its arguments to outlive the application.
    static int argc = 3;
    static char name[] = "halvo";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Ends with the process; Qt then hands back what the font machinery holds.
    static const std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace halvo::gui

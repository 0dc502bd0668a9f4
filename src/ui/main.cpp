// Dossiva: the desktop application.
#include "library/Startup.h"
#include "platform/MainThread.h"
#include "ui/app/HandOverQueue.h"
#include "ui/app/MainController.h"
#include "ui/app/QtAlerts.h"
#include "ui/app/QtFilePanels.h"
#include "ui/app/SingleInstance.h"
#include "ui/widgets/UiText.h"

#include <QApplication>
#include <QFileInfo>
#include <QMetaObject>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr const char* kUsage =
    "Usage: dossiva [FILE...]\n"
    "\n"
    "Dossiva keeps a library of small personal databases. Each FILE given (a .dossiva\n"
    "database, a .dossivaTemplate template or a .csv file) is offered for import; when\n"
    "Dossiva is running already, its window comes to the front and takes the files.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and end\n"
    "      --version  show the version and end\n"
    "\n"
    "The same library from a terminal or a script: dossiva-cli --help\n";

// --help and --version are answered before any window or data folder is
// made, so they work without a display. Other options are Qt's.
std::optional<int> answerOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("dossiva %s\n", DOSSIVA_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto answered = answerOption(argc, argv)) {
        return *answered;
    }
    // The data tree comes before any window; without it there is nothing to
    // work on.
    if (dossiva::prepareApplicationSupport() != 0) {
        return -1;
    }
    QApplication app(argc, argv);
    // The icons live in the UI library's resources, which a static library
    // only brings in when asked.
    Q_INIT_RESOURCE(dossiva);
    QApplication::setApplicationName(QStringLiteral("Dossiva"));
    QApplication::setApplicationVersion(QStringLiteral(DOSSIVA_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Quorva"));
    QApplication::setDesktopFileName(QStringLiteral("org.quorva.Dossiva"));
    QApplication::setWindowIcon(dossiva::appIcon());
    dossiva::MainThread::setPoster([](dossiva::MainThread::Task task) {
        QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    });

    QStringList files;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QStringLiteral("--"))) {
            files << QFileInfo(arguments[i]).absoluteFilePath();
        }
    }
    // Files opened from the file manager while Dossiva runs go to the
    // running window.
    dossiva::SingleInstance instance;
    if (instance.handOver(files)) {
        return 0;
    }

    dossiva::QtAlerts alerts;
    dossiva::QtFilePanels panels;
    dossiva::MainController controller(alerts, panels);
    alerts.setWindow(controller.mainWindow());
    panels.setWindow(controller.mainWindow());

    // Files handed over at start wait for the password and the window.
    for (const QString& file : files) {
        controller.applicationOpenFile(file.toStdString());
    }
    dossiva::HandOverQueue handedOver(
        alerts, [&controller](const QString& file) { controller.applicationOpenFile(file.toStdString()); });
    // A later start comes to this window, with its files or without.
    instance.listen([&controller, &handedOver](const QStringList& handed) {
        controller.bringToFront();
        for (const QString& file : handed) {
            handedOver.handOver(file);
        }
    });
    if (!controller.applicationDidFinishLaunching()) {
        return 0;
    }
    return QApplication::exec();
}

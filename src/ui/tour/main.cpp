// The screenshot tour: the application on the data tree of $HOME, with each
// main screen saved as a PNG into the folder given. scripts/screenshots runs
// it on sample data under a virtual X server.
#include "library/Startup.h"
#include "platform/MainThread.h"
#include "ui/app/MainController.h"
#include "ui/app/QtAlerts.h"
#include "ui/app/QtFilePanels.h"
#include "ui/tour/ScreenshotTour.h"
#include "ui/widgets/UiText.h"

#include <QApplication>
#include <QMetaObject>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (dossiva::prepareApplicationSupport() != 0) {
        return 1;
    }
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(dossiva);
    QApplication::setApplicationName(QStringLiteral("Dossiva"));
    QApplication::setWindowIcon(dossiva::appIcon());
    dossiva::MainThread::setPoster([](dossiva::MainThread::Task task) {
        QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    });
    dossiva::QtAlerts alerts;
    dossiva::QtFilePanels panels;
    dossiva::MainController controller(alerts, panels);
    alerts.setWindow(controller.mainWindow());
    panels.setWindow(controller.mainWindow());
    if (!controller.applicationDidFinishLaunching()) {
        return 1;
    }
    return dossiva::runScreenshotTour(controller, QString::fromLocal8Bit(argv[1]));
}

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

int main(int argc, char** argv)
{
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
    instance.listen([&controller, &handedOver](const QString& file) {
        controller.mainWindow()->raise();
        controller.mainWindow()->activateWindow();
        handedOver.handOver(file);
    });
    if (!controller.applicationDidFinishLaunching()) {
        return 0;
    }
    return QApplication::exec();
}

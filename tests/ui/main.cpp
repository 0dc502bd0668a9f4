// The desktop tests run on the offscreen platform, with a private runtime
// folder, inside one QApplication.
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "support/TestLocale.h"

#include <QApplication>
#include <QMetaObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QTemporaryDir runtime;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        ::setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    }
    // Databases deleted by the tests go to the trash of the test's home.
    ::unsetenv("XDG_DATA_HOME");
    // The window looks for the companion as long as it is open: in the tests
    // it never reaches a daemon on the machine's network. Tests that need
    // the companion say where it is.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/dossiva-tests-have-no-system-bus", 1);
    // Dates on the screens read the same on every machine.
    dossiva::test::pinLocaleAndTimeZone();
    QApplication app(argc, argv);
    // The icons live in the UI library's resources, which a static library
    // only brings in when asked.
    Q_INIT_RESOURCE(dossiva);
    dossiva::MainThread::setPoster([](dossiva::MainThread::Task task) {
        QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    });
    dossiva::setDevLogSink([](const std::string&) {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "ui/sync/SyncSessionController.h"

#include "platform/Alerts.h"
#include "ui/app/AppLinks.h"
#include "ui/sync/SyncSessionHost.h"
#include "ui/sync/SyncSheet.h"

#include <QDesktopServices>
#include <QMetaObject>
#include <QUrl>

namespace dossiva {

SyncSessionController::SyncSessionController(Alerts& alerts, SyncSessionHost& host, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_host(host),
      m_sheet(std::make_unique<SyncSheet>(host.sessionWindow())),
      m_manager(std::make_unique<SyncManager>(*m_sheet, alerts, this))
{
    m_sheet->setManager(m_manager.get());
}

SyncSessionController::~SyncSessionController()
{
    // No report of the network reaches a half-destroyed controller; the
    // manager stops its workers before the sheet it draws on goes.
    m_browser.reset();
    m_manager.reset();
}

void SyncSessionController::startDiscovery()
{
    if (!m_browser) {
        m_browser = std::make_unique<ServiceBrowser>(this);
        m_browser->start();
    }
}

// -- The commands ---------------------------------------------------------------

void SyncSessionController::syncWithIphone()
{
    m_host.enableToolbarButton(false);
    const std::string text =
        m_companion
            ? "Click on Sync button to sync your data with Dossiva for iPhone."
            : "Ensure that Dossiva is open on your iPhone and that your Mac and your iPhone are connected to "
              "the same Wi-Fi network supporting Bonjour.";
    const AlertAnswer answer = m_alerts.ask(
        {"Sync with Dossiva for iPhone", text, {"Sync", "Dossiva for iPhone", "Cancel"}, false, {}});
    if (answer.is("Dossiva for iPhone")) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AppLinks::kCompanionPage)));
    } else if (answer.is("Sync")) {
        if (m_companion) {
            startSyncWithIphone();
            return;
        }
        m_alerts.inform("Connection failure", "");
    }
    m_host.enableToolbarButton(true);
}

void SyncSessionController::startSyncWithIphone()
{
    if (!m_companion) {
        m_alerts.inform("Connection failure", "");
        endWithoutSession();
        return;
    }
    const Companion companion = *m_companion;
    m_host.prepareForSession();
    m_manager->startSyncWithServerIP(companion.ip, companion.port, m_host.libraryNames());
}

void SyncSessionController::backupNow()
{
    m_host.enableToolbarButton(false);
    startBackup();
}

void SyncSessionController::startBackup()
{
    // This computer's packages are copied whole: none may be open meanwhile.
    m_host.prepareForSession();
    if (m_companion) {
        m_manager->startBackupWithServerIP(m_companion->ip, m_companion->port, m_host.libraryNames());
    } else {
        m_manager->startBackupOnlyLocal(m_host.libraryNames());
    }
}

void SyncSessionController::restoreNow()
{
    m_host.enableToolbarButton(false);
    if (m_companion) {
        m_manager->showRestoreView();
    } else {
        m_manager->showRestoreViewOnlyLocal();
    }
}

bool SyncSessionController::confirmRestore()
{
    const AlertAnswer answer = m_alerts.ask({"Warning",
                                             "All databases will be replaced whit the backuped ones",
                                             {"Restore", "Cancel"},
                                             false,
                                             {}});
    if (answer.is("Restore")) {
        return true;
    }
    // Nothing was touched: the window is free again.
    endWithoutSession();
    return false;
}

void SyncSessionController::startRestore()
{
    if (!confirmRestore()) {
        return;
    }
    m_host.prepareForSession();
    // Gone since the view was shown: only a restore of this computer can run.
    m_manager->startRestoreWithServerIP(m_companion ? m_companion->ip : std::string(),
                                        m_companion ? m_companion->port : 0);
}

void SyncSessionController::startRestoreOnlyLocal()
{
    if (!confirmRestore()) {
        return;
    }
    m_host.prepareForSession();
    m_manager->startRestoreWithServerIP({}, 0);
}

void SyncSessionController::endWithoutSession()
{
    m_host.enableToolbarButton(true);
}

// -- The end of a session ---------------------------------------------------------

void SyncSessionController::syncManager(SyncManager&, bool shouldReloadDatabases)
{
    m_host.enableToolbarButton(true);
    m_host.sessionEnded(shouldReloadDatabases);
    if (m_quitWhenEnded) {
        m_quitWhenEnded = false;
        // From the event loop, once the end of the session has run its course.
        QMetaObject::invokeMethod(
            this, [this] { m_host.quitApplication(); }, Qt::QueuedConnection);
    }
}

bool SyncSessionController::isBusy() const
{
    return !m_manager->isIdle() || m_sheet->isVisible();
}

bool SyncSessionController::stopForQuit()
{
    if (!isBusy()) {
        return true;
    }
    if (m_manager->isIdle()) {
        // Only the restore view is up: nothing runs yet.
        m_manager->cancelRestoreView();
        return true;
    }
    m_quitWhenEnded = true;
    m_manager->abort();
    return false;
}

// -- The companion on the network ---------------------------------------------------

void SyncSessionController::found(const std::string& ip, int port, const std::string& name)
{
    m_companion = Companion{ip, port, name};
    m_host.companionChanged(name);
}

void SyncSessionController::lost()
{
    m_companion.reset();
    m_host.companionChanged({});
    m_manager->serverDisappeared();
}

} // namespace dossiva

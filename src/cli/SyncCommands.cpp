// Commands that sync with the companion, back up and restore, and find the
// companion on the network. Each runs the same session as the desktop, on a
// run loop standing in for the main thread.
#include "cli/CliCommand.h"
#include "cli/ConsoleAlerts.h"
#include "cli/ConsolePresenter.h"
#include "cli/TextTable.h"

#include "library/DatabaseLibrary.h"
#include "platform/FileManager.h"
#include "platform/PrintableText.h"
#include "platform/RunLoop.h"
#include "platform/ServiceBrowser.h"
#include "sync/DownloadLimits.h"
#include "sync/RemoteNames.h"
#include "sync/RestoreCatalog.h"
#include "sync/SyncManager.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iostream>

namespace dossiva::cli {

namespace {

// A session may run long; the FTP time-outs end one whose companion stalls.
constexpr auto kSessionLimit = std::chrono::hours(24);
constexpr int kDefaultDiscoverySeconds = 5;

struct Companion {
    std::string host;
    int port = 0;
};

std::optional<Companion> parseCompanion(const std::string& text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return std::nullopt;
    }
    int port = 0;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, port);
    if (error != std::errc() || end != last || first == last || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return Companion{text.substr(0, colon), port};
}

constexpr const char* kContinueToSync = "Continue to Sync";

// Alerts on the terminal that also remember whether the session reported
// anything left undone, and answer a failed backup before a sync as the
// command line asked.
class SessionAlerts final : public Alerts {
public:
    AlertAnswer ask(const AlertRequest& request) override
    {
        if (std::find(request.buttons.begin(), request.buttons.end(), kContinueToSync) !=
            request.buttons.end()) {
            return answerBackupError(request);
        }
        // What an interrupted session left and how it was put in order is
        // news, not a failure.
        const bool recovered =
            request.title == "Info" && request.message.rfind(SyncManager::kCompanionRecoveredHeading, 0) == 0;
        m_failed = m_failed || request.title == "Error" || (request.title == "Info" && !recovered);
        return m_console.ask(request);
    }
    void beginProgress(const std::string& title, const std::string& message) override
    {
        m_console.beginProgress(title, message);
    }
    void endProgress() override { m_console.endProgress(); }
    void queueAnswer(std::string button) { m_console.queueAnswer(std::move(button)); }
    void continueAfterBackupError(bool goOn) { m_continueAfterBackupError = goOn; }

    bool failed() const { return m_failed || m_console.reportedFailure(); }

private:
    AlertAnswer answerBackupError(const AlertRequest& request)
    {
        std::cerr << printableText(request.title + ": " + request.message, "\n\t") << "\n";
        if (m_continueAfterBackupError) {
            std::cerr << "Going on with the sync without a backup (--on-backup-error continue).\n";
            return {kContinueToSync, {}};
        }
        std::cerr << "The sync was stopped. To sync without the backup, run it again with "
                     "--on-backup-error continue, or with --no-backup.\n";
        m_failed = true;
        return {"Stop", {}};
    }

    ConsoleAlerts m_console;
    bool m_failed = false;
    bool m_continueAfterBackupError = false;
};

// The owner of a session on the terminal: notes its end and confirms a
// restore from the --yes flag.
class SessionOwner final : public SyncManagerDelegate {
public:
    SessionOwner(SessionAlerts& alerts, std::optional<Companion> companion, bool confirmed)
        : m_alerts(alerts), m_companion(std::move(companion)), m_confirmed(confirmed)
    {
    }
    void setManager(SyncManager* manager) { m_manager = manager; }

    void syncManager(SyncManager&, bool) override { m_ended = true; }
    void startRestore() override { confirmAndRestore(m_companion); }
    void startRestoreOnlyLocal() override { confirmAndRestore(std::nullopt); }

    bool ended() const { return m_ended; }
    bool refused() const { return m_refused; }

private:
    void confirmAndRestore(const std::optional<Companion>& companion)
    {
        if (m_confirmed) {
            m_alerts.queueAnswer("Restore");
        }
        const AlertAnswer answer = m_alerts.ask({"Warning",
                                                 "All databases will be replaced whit the backuped ones",
                                                 {"Restore", "Cancel"},
                                                 false,
                                                 {}});
        if (!answer.is("Restore")) {
            m_refused = true;
            m_ended = true;
            return;
        }
        m_manager->startRestoreWithServerIP(companion ? companion->host : std::string(),
                                            companion ? companion->port : 0);
    }

    SessionAlerts& m_alerts;
    std::optional<Companion> m_companion;
    bool m_confirmed = false;
    SyncManager* m_manager = nullptr;
    bool m_ended = false;
    bool m_refused = false;
};

// One session on the terminal: the run loop, the screens and the manager.
struct Session {
    explicit Session(ConsolePresenter::Choices choices, std::optional<Companion> companion = std::nullopt,
                     bool confirmed = false)
        : presenter(std::move(choices)), owner(alerts, std::move(companion), confirmed),
          manager(presenter, alerts, &owner)
    {
        presenter.setManager(&manager);
        owner.setManager(&manager);
    }

    int run()
    {
        runLoop.runUntil([this] { return owner.ended() && manager.isIdle(); }, kSessionLimit);
        if (!presenter.refusal().empty()) {
            return fail(presenter.refusal());
        }
        if (owner.refused()) {
            return fail("restoring replaces every database of the side restored: confirm with --yes");
        }
        return alerts.failed() ? 1 : 0;
    }

    RunLoop runLoop;
    SessionAlerts alerts;
    ConsolePresenter presenter;
    SessionOwner owner;
    SyncManager manager;
};

// --max-download BYTES: a whole number of bytes, at least 1.
std::optional<std::uint64_t> parseByteCount(const std::string& text)
{
    std::uint64_t bytes = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, bytes);
    if (error != std::errc() || end != last || text.empty() || bytes == 0) {
        return std::nullopt;
    }
    return bytes;
}

constexpr const char* kMaxDownloadError = "--max-download takes a number of bytes (at least 1)";

// The byte count after --max-download at args[i]; nullopt when it is missing
// or no count.
std::optional<std::uint64_t> maxDownloadOption(const std::vector<std::string>& args, std::size_t& i)
{
    return i + 1 < args.size() ? parseByteCount(args[++i]) : std::nullopt;
}

// The limits of a session: the preferences', with --max-download when given.
void applyMaxDownload(SyncManager& manager, const std::optional<std::uint64_t>& maxDownload)
{
    if (maxDownload) {
        manager.setDownloadLimits(DownloadLimits::fromPreferences().withMaxDownload(*maxDownload));
    }
}

std::vector<std::string> libraryNames()
{
    ScriptedAlerts quiet;
    DatabaseLibrary library(quiet);
    library.loadDbArray();
    std::vector<std::string> names;
    for (const auto& entry : library.dbList()) {
        names.push_back(entry.name);
    }
    return names;
}

constexpr const char* kSyncOptions = "[--all | --only NAME...] [--conflicts mac|phone|newest] "
                                     "[--max-download BYTES] [--no-backup] [--on-backup-error continue|stop]";

std::string syncUsage()
{
    return std::string("usage: sync HOST:PORT ") + kSyncOptions;
}

int syncCommand(const std::vector<std::string>& args)
{
    ConsolePresenter::Choices choices;
    std::optional<Companion> companion;
    std::optional<std::uint64_t> maxDownload;
    bool noBackup = false;
    bool continueAfterBackupError = false;
    bool readingNames = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--no-backup") {
            readingNames = false;
            noBackup = true;
        } else if (arg == "--on-backup-error") {
            readingNames = false;
            const std::string how = i + 1 < args.size() ? args[++i] : std::string();
            if (how != "continue" && how != "stop") {
                return fail("--on-backup-error takes continue or stop");
            }
            continueAfterBackupError = how == "continue";
        } else if (arg == "--max-download") {
            readingNames = false;
            maxDownload = maxDownloadOption(args, i);
            if (!maxDownload) {
                return fail(kMaxDownloadError);
            }
        } else if (arg == "--all") {
            choices.ticks = ConsolePresenter::Ticks::All;
            readingNames = false;
        } else if (arg == "--only") {
            choices.ticks = ConsolePresenter::Ticks::Only;
            readingNames = true;
        } else if (arg == "--conflicts" && i + 1 < args.size()) {
            const std::string& how = args[++i];
            readingNames = false;
            if (how == "mac") {
                choices.conflicts = ConsolePresenter::Conflicts::Mac;
            } else if (how == "phone") {
                choices.conflicts = ConsolePresenter::Conflicts::Phone;
            } else if (how == "newest") {
                choices.conflicts = ConsolePresenter::Conflicts::Newest;
            } else {
                return fail("--conflicts takes mac, phone or newest");
            }
        } else if (arg.rfind("--", 0) == 0) {
            return fail("unknown or incomplete option '" + arg + "'");
        } else if (readingNames) {
            choices.only.push_back(DatabaseLibrary::packageName(arg));
        } else if (!companion) {
            companion = parseCompanion(arg);
            if (!companion) {
                return fail("the companion is given as HOST:PORT, not '" + arg + "'");
            }
        } else {
            return fail(syncUsage());
        }
    }
    if (!companion) {
        return fail(syncUsage());
    }
    if (choices.ticks == ConsolePresenter::Ticks::Only && choices.only.empty()) {
        return fail("--only needs at least one database name");
    }
    Session session(std::move(choices));
    applyMaxDownload(session.manager, maxDownload);
    if (noBackup) {
        session.manager.setBackupState(false);
    }
    session.alerts.continueAfterBackupError(continueAfterBackupError);
    session.manager.startSyncWithServerIP(companion->host, companion->port, libraryNames());
    return session.run();
}

std::optional<Companion> companionOption(const std::vector<std::string>& args, std::size_t& i, bool& bad)
{
    if (i + 1 >= args.size()) {
        bad = true;
        return std::nullopt;
    }
    auto companion = parseCompanion(args[++i]);
    bad = !companion;
    return companion;
}

int backupCommand(const std::vector<std::string>& args)
{
    std::optional<Companion> companion;
    std::optional<std::uint64_t> maxDownload;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool bad = false;
        if (args[i] == "--companion") {
            companion = companionOption(args, i, bad);
        } else if (args[i] == "--max-download") {
            maxDownload = maxDownloadOption(args, i);
            if (!maxDownload) {
                return fail(kMaxDownloadError);
            }
        } else {
            bad = true;
        }
        if (bad) {
            return fail("usage: backup [--companion HOST:PORT] [--max-download BYTES]");
        }
    }
    const auto before = RestoreCatalog::listBackups(true);
    Session session({});
    applyMaxDownload(session.manager, maxDownload);
    session.manager.startBackupWithServerIP(companion ? companion->host : std::string(),
                                            companion ? companion->port : 0, libraryNames());
    const int status = session.run();
    for (const auto& entry : RestoreCatalog::listBackups(true)) {
        const bool isNew = std::none_of(before.begin(), before.end(), [&](const BackupEntry& old) {
            return old.stamp == entry.stamp && old.side == entry.side;
        });
        if (isNew) {
            std::cout << "Backed up as " << entry.stamp << " (" << RestoreCatalog::label(entry.stamp)
                      << ").\n";
        }
    }
    return status;
}

std::string sidesText(int side)
{
    switch (side) {
    case BackupSide::Phone:
        return "iPhone";
    case BackupSide::Both:
        return "Mac, iPhone";
    default:
        return "Mac";
    }
}

int backupsCommand(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        return fail("backups takes no arguments");
    }
    const auto backups = RestoreCatalog::listBackups(true);
    if (backups.empty()) {
        std::cout << "There are no backups.\n";
        return 0;
    }
    TextTable table({"Stamp", "Taken", "Sides"});
    for (const auto& entry : backups) {
        table.addRow(
            {printableRemoteName(entry.stamp), RestoreCatalog::label(entry.stamp), sidesText(entry.side)});
    }
    table.print(std::cout);
    return 0;
}

int restoreCommand(const std::vector<std::string>& args)
{
    ConsolePresenter::Choices choices;
    std::optional<Companion> companion;
    bool confirmed = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool bad = false;
        if (args[i] == "--mac") {
            choices.mac = true;
        } else if (args[i] == "--phone") {
            choices.phone = true;
        } else if (args[i] == "--yes") {
            confirmed = true;
        } else if (args[i] == "--companion") {
            companion = companionOption(args, i, bad);
        } else if (args[i].rfind("--", 0) != 0 && choices.stamp.empty()) {
            choices.stamp = args[i];
        } else {
            bad = true;
        }
        if (bad) {
            return fail("usage: restore STAMP [--mac] [--phone] [--companion HOST:PORT] --yes");
        }
    }
    if (choices.stamp.empty()) {
        return fail("usage: restore STAMP [--mac] [--phone] [--companion HOST:PORT] --yes");
    }
    if (choices.phone && !companion) {
        return fail("restoring the companion needs --companion HOST:PORT");
    }
    // One box named leaves the other unticked.
    if (choices.mac && !choices.phone) {
        choices.phone = false;
    } else if (choices.phone && !choices.mac) {
        choices.mac = false;
    }
    const bool withCompanion = companion.has_value();
    Session session(std::move(choices), companion, confirmed);
    if (withCompanion) {
        session.manager.showRestoreView();
    } else {
        session.manager.showRestoreViewOnlyLocal();
    }
    return session.run();
}

// Reports the first companion the browser resolves.
class Discovery final : public ServiceBrowserDelegate {
public:
    void found(const std::string& ip, int port, const std::string& name) override
    {
        if (!m_found) {
            std::cout << "Found \"" << printableRemoteName(name) << "\" at " << ip << ":" << port << "\n";
            m_found = true;
        }
    }
    void lost() override {}
    bool hasFound() const { return m_found; }

private:
    bool m_found = false;
};

int discoverCommand(const std::vector<std::string>& args)
{
    int seconds = kDefaultDiscoverySeconds;
    if (args.size() == 2 && args[0] == "--timeout") {
        const auto [end, error] = std::from_chars(args[1].data(), args[1].data() + args[1].size(), seconds);
        if (error != std::errc() || end != args[1].data() + args[1].size() || seconds < 1 || seconds > 600) {
            return fail("--timeout takes a number of seconds from 1 to 600");
        }
    } else if (!args.empty()) {
        return fail("usage: discover [--timeout SECONDS]");
    }
    RunLoop runLoop;
    Discovery discovery;
    ServiceBrowser browser(&discovery);
    if (!browser.start()) {
        return fail("discovery cannot run here (no Avahi daemon or system bus; DOSSIVA_DEBUG=1 says why)");
    }
    runLoop.runUntil([&] { return discovery.hasFound(); }, std::chrono::seconds(seconds));
    browser.stop();
    if (!discovery.hasFound()) {
        std::cout << "No companion found within " << seconds << " seconds.\n";
        return 1;
    }
    return 0;
}

std::string maxDownloadHelp()
{
    return "No file larger than --max-download BYTES is taken from the companion (by\ndefault " +
           byteCountText(DownloadLimits::kDefaultFileBytes) + ", or the " + kMaxDownloadKey +
           " setting; pictures at most " + byteCountText(DownloadLimits::kDefaultPictureBytes) + ").";
}

const CommandRegistration
    registration(50,
                 {{"sync", std::string("HOST:PORT ") + kSyncOptions,
                   "Syncs databases and templates with the companion at HOST:PORT, following the\n"
                   "Backup, STemplates and LastSyncedDbs settings. Without --all or --only the\n"
                   "databases of the last sync are ticked; conflicts need --conflicts.\n" +
                       maxDownloadHelp() +
                       "\nWith the Backup setting on, the companion is backed up first; --no-backup\n"
                       "skips that. When the backup fails the sync stops, unless --on-backup-error\n"
                       "continue lets it go on without one.",
                   syncCommand},
                  {"backup", "[--companion HOST:PORT] [--max-download BYTES]",
                   "Backs up every database of this computer and, with --companion, of the\n"
                   "companion, taking no file larger than --max-download BYTES from it.",
                   backupCommand},
                  {"backups", "", "Lists the backups that can be restored.", backupsCommand},
                  {"restore", "STAMP [--mac] [--phone] [--companion HOST:PORT] --yes",
                   "Replaces every database of the sides chosen (by default all the backup holds)\n"
                   "with backup STAMP; the companion's side needs --companion.",
                   restoreCommand},
                  {"discover", "[--timeout SECONDS]",
                   "Looks for the companion on the local network and prints where it is.", discoverCommand}});

} // namespace
} // namespace dossiva::cli

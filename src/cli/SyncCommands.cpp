// Commands that sync with the companion, back up and restore, and find the
// companion on the network. Each runs the same session as the desktop, on a
// run loop standing in for the main thread.
#include "cli/ArgumentChecks.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleAlerts.h"
#include "cli/ConsolePresenter.h"
#include "cli/IsoDateTime.h"
#include "cli/TextTable.h"
#include "cli/WholeNumber.h"

#include "library/DatabaseLibrary.h"
#include "platform/FileManager.h"
#include "platform/PrintableText.h"
#include "platform/RunLoop.h"
#include "platform/ServiceBrowser.h"
#include "sync/DownloadLimits.h"
#include "sync/RemoteNames.h"
#include "sync/RestoreCatalog.h"
#include "sync/SyncManager.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iostream>
#include <memory>

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

// When a backup was taken, in ISO 8601: its stamp is the moment's seconds.
std::string takenAt(const std::string& stamp)
{
    const auto seconds = parseWholeNumber(stamp);
    return seconds ? IsoDateTime::readable(*seconds) : printableRemoteName(stamp);
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
        AlertRequest question{"Warning",
                              "All databases will be replaced whit the backuped ones",
                              {"Restore", "Cancel"},
                              false,
                              {}};
        // Asked on a terminal, Enter keeps the databases.
        question.defaultButton = "Cancel";
        const AlertAnswer answer = m_alerts.ask(question);
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

// HOST:PORT, checked as it is parsed.
const CLI::Validator kCompanionAddress(
    [](std::string& text) {
        return parseCompanion(text) ? std::string()
                                    : "the companion is given as HOST:PORT, not '" + text + "'";
    },
    "HOST:PORT");

void declareMaxDownload(CLI::App& app, std::optional<std::uint64_t>& maxDownload)
{
    app.add_option("--max-download", maxDownload,
                   "take no file larger than BYTES from the companion (by default " +
                       byteCountText(DownloadLimits::kDefaultFileBytes) + ", or the " + kMaxDownloadKey +
                       " setting; pictures at most " + byteCountText(DownloadLimits::kDefaultPictureBytes) +
                       ")")
        ->check(byteCount());
}

CommandRun defineSync(CLI::App& app)
{
    struct Arguments {
        std::string companion;
        bool all = false;
        std::vector<std::string> only;
        std::optional<std::string> conflicts;
        std::optional<std::uint64_t> maxDownload;
        bool noBackup = false;
        std::string onBackupError = "stop";
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("HOST:PORT", args->companion, "where the companion listens")
        ->required()
        ->check(kCompanionAddress);
    auto* all = app.add_flag("--all", args->all, "tick every database");
    app.add_option("--only", args->only, "tick only these databases")->excludes(all);
    app.add_option("--conflicts", args->conflicts,
                   "settle structure conflicts with the Mac's, the phone's or the newest copy")
        ->check(CLI::IsMember({"mac", "phone", "newest"}));
    declareMaxDownload(app, args->maxDownload);
    app.add_flag("--no-backup", args->noBackup, "sync without backing the companion up first");
    app.add_option("--on-backup-error", args->onBackupError,
                   "when the backup before the sync fails: stop (the default) or continue without it")
        ->check(CLI::IsMember({"continue", "stop"}));
    return [args] {
        ConsolePresenter::Choices choices;
        if (args->all) {
            choices.ticks = ConsolePresenter::Ticks::All;
        } else if (!args->only.empty()) {
            choices.ticks = ConsolePresenter::Ticks::Only;
            for (const auto& name : args->only) {
                choices.only.push_back(DatabaseLibrary::packageName(name));
            }
        }
        if (args->conflicts) {
            choices.conflicts = *args->conflicts == "mac"     ? ConsolePresenter::Conflicts::Mac
                                : *args->conflicts == "phone" ? ConsolePresenter::Conflicts::Phone
                                                              : ConsolePresenter::Conflicts::Newest;
        }
        const Companion companion = *parseCompanion(args->companion);
        Session session(std::move(choices));
        applyMaxDownload(session.manager, args->maxDownload);
        if (args->noBackup) {
            session.manager.setBackupState(false);
        }
        session.alerts.continueAfterBackupError(args->onBackupError == "continue");
        session.manager.startSyncWithServerIP(companion.host, companion.port, libraryNames());
        return session.run();
    };
}

CommandRun defineBackup(CLI::App& app)
{
    struct Arguments {
        std::optional<std::string> companion;
        std::optional<std::uint64_t> maxDownload;
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("--companion", args->companion, "back up the companion's databases too")
        ->check(kCompanionAddress);
    declareMaxDownload(app, args->maxDownload);
    return [args] {
        const auto companion = args->companion ? parseCompanion(*args->companion) : std::nullopt;
        const auto before = RestoreCatalog::listBackups(true);
        Session session({});
        applyMaxDownload(session.manager, args->maxDownload);
        session.manager.startBackupWithServerIP(companion ? companion->host : std::string(),
                                                companion ? companion->port : 0, libraryNames());
        const int status = session.run();
        for (const auto& entry : RestoreCatalog::listBackups(true)) {
            const bool isNew = std::none_of(before.begin(), before.end(), [&](const BackupEntry& old) {
                return old.stamp == entry.stamp && old.side == entry.side;
            });
            if (isNew) {
                std::cout << "Backed up as " << entry.stamp << " (" << takenAt(entry.stamp) << ").\n";
            }
        }
        return status;
    };
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

int listBackups()
{
    const auto backups = RestoreCatalog::listBackups(true);
    if (backups.empty()) {
        std::cout << "There are no backups.\n";
        return kDone;
    }
    TextTable table({{"Stamp", TextTable::Fit::Whole}, {"Taken", TextTable::Fit::Whole}, {"Sides"}});
    for (const auto& entry : backups) {
        table.addRow({printableRemoteName(entry.stamp), takenAt(entry.stamp), sidesText(entry.side)});
    }
    table.print(std::cout, outputWidth());
    return kDone;
}

CommandRun defineRestore(CLI::App& app)
{
    struct Arguments {
        std::string stamp;
        bool mac = false;
        bool phone = false;
        std::optional<std::string> companion;
        bool yes = false;
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("STAMP", args->stamp, "the backup, as dossiva-cli backups lists it")->required();
    app.add_flag("--mac", args->mac,
                 "restore this computer's databases (by default every side the backup holds)");
    app.add_flag("--phone", args->phone, "restore the companion's databases (needs --companion)");
    app.add_option("--companion", args->companion, "where the companion listens")->check(kCompanionAddress);
    app.add_flag("--yes,-y", args->yes, "restore without asking");
    return [args] {
        if (args->phone && !args->companion) {
            return wrongUsage("restore", "restoring the companion needs --companion HOST:PORT");
        }
        ConsolePresenter::Choices choices;
        choices.stamp = args->stamp;
        // One side named leaves the other unticked.
        if (args->mac || args->phone) {
            choices.mac = args->mac;
            choices.phone = args->phone;
        }
        const auto companion = args->companion ? parseCompanion(*args->companion) : std::nullopt;
        Session session(std::move(choices), companion, args->yes);
        if (companion) {
            session.manager.showRestoreView();
        } else {
            session.manager.showRestoreViewOnlyLocal();
        }
        return session.run();
    };
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

CommandRun defineDiscover(CLI::App& app)
{
    auto seconds = std::make_shared<int>(kDefaultDiscoverySeconds);
    app.add_option("--timeout", *seconds, "how long to look, in seconds (1 to 600; default 5)")
        ->check(CLI::Range(1, 600));
    return [seconds] {
        RunLoop runLoop;
        Discovery discovery;
        ServiceBrowser browser(&discovery);
        if (!browser.start()) {
            return fail(
                "discovery cannot run here (no Avahi daemon or system bus; DOSSIVA_DEBUG=1 says why)");
        }
        runLoop.runUntil([&] { return discovery.hasFound(); }, std::chrono::seconds(*seconds));
        browser.stop();
        if (!discovery.hasFound()) {
            std::cout << "No companion found within " << *seconds << " seconds.\n";
            return kFailed;
        }
        return kDone;
    };
}

const CommandRegistration registration(
    50, {{"sync", "syncs databases and templates with the companion at HOST:PORT",
          "Follows the Backup, STemplates and LastSyncedDbs settings. Without --all or --only the databases\n"
          "of the last sync are ticked; structure conflicts need --conflicts.",
          defineSync},
         {"backup", "backs up every database of this computer and, with --companion, of the companion", "",
          defineBackup},
         {"backups", "lists the backups that can be restored", "",
          [](CLI::App&) -> CommandRun { return listBackups; }},
         {"restore",
          "replaces every database of the sides chosen with a backup, after asking (--yes does not ask)",
          "By default every side the backup holds is restored; the companion's side needs --companion.",
          defineRestore},
         {"discover", "looks for the companion on the local network and prints where it is", "",
          defineDiscover}});

} // namespace
} // namespace dossiva::cli

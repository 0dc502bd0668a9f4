#pragma once

#include "support/CompanionPeer.h"
#include "support/TestDatabase.h"

#include "platform/Alerts.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "sync/SyncManager.h"
#include "sync/SyncPresenter.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dossiva::test {

// Names, titles or messages in the order a test expects them.
using Texts = std::vector<std::string>;

// The sync sheet for tests: records what the session showed and answers it
// as scripted, always by posting to the main thread as a user's click would.
class ScriptedPresenter final : public SyncPresenter {
public:
    SyncManager* manager = nullptr;
    // Which boxes to tick in the table (by name); without it the table is
    // confirmed as shown. An empty list cancels.
    std::optional<std::vector<std::string>> tick;
    // The side chosen for each conflict (SyncSide::Mac or Phone); without
    // it the preselected box is kept.
    std::optional<int> conflictChoice;
    // The backup (by stamp) and boxes the restore view is answered with.
    struct RestoreAnswer {
        std::string stamp;
        bool mac = true;
        bool phone = true;
    };
    std::optional<RestoreAnswer> restoreAnswer;

    std::vector<std::string> titles;
    std::vector<std::vector<SyncListEntry>> tables;
    std::vector<ConflictPage> conflicts;
    std::vector<std::vector<BackupEntry>> restoreViews;
    int sheetsEnded = 0;

    void showProgress(const std::string& title) override;
    void showDatabaseTable(const std::vector<SyncListEntry>& entries) override;
    void showConflict(const ConflictPage& page) override;
    void showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly) override;
    void endSheet() override { ++sheetsEnded; }
};

// The owner of the session: counts the ends and starts the restore that the
// restore view asks for.
class RecordingDelegate final : public SyncManagerDelegate {
public:
    SyncManager* manager = nullptr;
    std::string ip = "127.0.0.1";
    int port = 0;
    int ends = 0;
    int reloads = 0;

    void syncManager(SyncManager& manager, bool shouldReloadDatabases) override;
    void startRestore() override;
    void startRestoreOnlyLocal() override;
};

// A private home with a data tree, the companion serving a folder of its
// own on loopback, and a sync manager with scripted screens.
class SessionFixture {
public:
    SessionFixture();
    ~SessionFixture();

    // Starts the companion; its root is phoneRoot(). False when it cannot run.
    bool startPeer(const CompanionPeer::Options& options = {});
    const std::string& phoneRoot() const { return m_phoneRoot; }
    std::string phonePackage(const std::string& name) const { return m_phoneRoot + "/" + name + ".dossiva"; }

    // Copies this computer's package to the companion (and removes it here
    // when `move` is set).
    void copyToPhone(const std::string& name, bool move);

    // A new sync manager: it reads the Backup setting when it is made.
    void recreateManager();

    // Runs a sync of every local database with the companion until it ends.
    bool sync();
    bool runUntilEnded();

    // The library's package names.
    std::vector<std::string> localNames() const;
    // Sets the settings a sync follows.
    void setSettings(bool backup, bool templates, const std::vector<std::string>& lastSynced);

    // Texts of the alerts asked, as "title: message".
    std::vector<std::string> alertTexts() const;

    TestLibrary library;
    RunLoop runLoop;
    ScriptedAlerts alerts;
    ScriptedPresenter presenter;
    RecordingDelegate delegate;
    CompanionPeer peer;
    std::optional<SyncManager> manager;

    // Runs a task on the main thread when the session's log says it has
    // reached `marker` (once).
    void onLog(const std::string& marker, std::function<void()> task);

private:
    std::string m_phoneRoot;
    DevLogSink m_previousSink;
};

// Files outside the data tree that a hostile package reaches through links:
// a folder HOME/outside/ssh holding id_rsa, and a file HOME/outside/passwd.
struct OutsideFiles {
    std::string folder;
    std::string file;
    std::vector<std::string> contents; // the bytes of every file there
};
OutsideFiles makeOutsideFiles(const std::string& home);

// What a hostile package holds besides its plain files.
enum class Hostile {
    FolderLink,   // "images" is a link to the outside folder
    FileLink,     // "images/6" is a link to the outside file
    Fifo,         // "images/7" is a FIFO
    DatabaseLink, // "database.db" is a link to the outside file
    PackageLink,  // the package folder itself is a link to one outside
};
void plantHostileItem(const std::string& packageFolder, Hostile kind, const OutsideFiles& outside);

// The items of a folder's snapshot that do not belong in a copy of the data
// tree: anything but a plain file or folder, a file holding the bytes of an
// outside file, a name taken from the outside folder.
std::vector<std::string> outsideItemsIn(const std::string& folder, const OutsideFiles& outside);

// The names in a folder that tell of an unfinished swap or transfer, or of a
// copy kept after one.
std::vector<std::string> leftoversIn(const std::string& folder);

// The values of the main field of a database file, in record order.
std::vector<std::string> titlesInFile(const std::string& databaseFile);
// The labels of a database file's fields, in form order.
std::vector<std::string> labelsInFile(const std::string& databaseFile);

} // namespace dossiva::test

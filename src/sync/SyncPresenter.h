#pragma once

#include "sync/ConflictResolver.h"
#include "sync/RestoreCatalog.h"
#include "sync/SyncListEntry.h"

#include <string>
#include <vector>

namespace dossiva {

// The sync sheet as the session sees it: one window whose content is the
// progress view, the database table, the conflict resolver or the restore
// view. The desktop draws it; the command line and the tests answer it. The
// user's answers come back as calls on the SyncManager: setTicked(), sync()
// and cancel() for the table; conflictSelectMacBox(),
// conflictSelectiPhoneBox(), conflictNext() and conflictPrev() for the
// resolver; restore() and cancelRestoreView() for the restore view; abort()
// for the progress view's stop button. Answers must not be given from
// inside these calls: they are posted to the main thread.
class SyncPresenter {
public:
    virtual ~SyncPresenter() = default;

    // The progress view, with its title line and a running bar.
    virtual void showProgress(const std::string& title) = 0;
    // The databases of both sides, each with its box ("c"); the sync button
    // is enabled while at least one is ticked.
    virtual void showDatabaseTable(const std::vector<SyncListEntry>& entries) = 0;
    // One conflict, shown again whenever the page changes.
    virtual void showConflict(const ConflictPage& page) = 0;
    // The backups that can be restored; without the companion (localOnly)
    // the "Mac" and "iPhone" boxes are hidden. Each backup's label is
    // RestoreCatalog::label(), its boxes RestoreCatalog::boxesFor().
    virtual void showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly) = 0;
    // Closes the sheet.
    virtual void endSheet() = 0;
};

} // namespace dossiva

// The end of a sync: structure conflicts put to the user, then the exchange
// of templates.
#include "sync/SyncManager.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/DatabaseFileCheck.h"
#include "sync/PackageFiles.h"
#include "sync/RemoteNames.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace dossiva {

namespace {

constexpr const char* kTemplateExtension = "dossivaTemplate";

// The later of a file's creation and modification times; 0 when its
// attributes cannot be read.
double fileDate(const std::string& path)
{
    struct statx attributes {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_BTIME, &attributes) != 0) {
        return 0;
    }
    const auto seconds = [](const struct statx_timestamp& stamp) {
        return static_cast<double>(stamp.tv_sec) + static_cast<double>(stamp.tv_nsec) / 1e9;
    };
    double date = seconds(attributes.stx_mtime);
    if ((attributes.stx_mask & STATX_BTIME) != 0) {
        date = std::max(date, seconds(attributes.stx_btime));
    }
    return date;
}

// Where a template is written until it is complete, on either side.
std::string partialFile(const std::string& path)
{
    return path + ".part";
}

std::string localTemplate(const std::string& name)
{
    return Paths::modelsFolder() + "/" + name;
}

} // namespace

// -- Conflicts --------------------------------------------------------------------

void SyncManager::manageSyncingFromAsk()
{
    m_syncingDBIndex = 0;
    moveTo(Stage::ResolvingConflicts);
    m_resolver = std::make_unique<ConflictResolver>(m_localDBList);
    m_presenter.showConflict(m_resolver->page());
}

void SyncManager::conflictNext()
{
    if (m_stage != Stage::ResolvingConflicts || !m_resolver) {
        return;
    }
    if (!m_resolver->next()) {
        m_presenter.showConflict(m_resolver->page());
        return;
    }
    m_resolver.reset();
    showTitle("Syncing");
    nextDatabase();
}

void SyncManager::conflictPrev()
{
    if (m_stage == Stage::ResolvingConflicts && m_resolver) {
        m_resolver->previous();
        m_presenter.showConflict(m_resolver->page());
    }
}

void SyncManager::conflictSelectMacBox()
{
    if (m_stage == Stage::ResolvingConflicts && m_resolver) {
        m_resolver->selectMac();
        m_presenter.showConflict(m_resolver->page());
    }
}

void SyncManager::conflictSelectiPhoneBox()
{
    if (m_stage == Stage::ResolvingConflicts && m_resolver) {
        m_resolver->selectPhone();
        m_presenter.showConflict(m_resolver->page());
    }
}

// -- Templates --------------------------------------------------------------------

void SyncManager::startTemplates()
{
    m_templatesArray.clear();
    // Only plain files are sent: a template that is a link is not followed.
    const std::string folder = Paths::modelsFolder();
    if (auto files = PackageFiles::open(folder)) {
        for (const auto& name : files->filesIn("")) {
            if (FileManager::pathExtension(name) == kTemplateExtension) {
                m_templatesArray.push_back({name, 0, fileDate(folder + "/" + name)});
            }
        }
        for (const SkippedItem& item : files->skipped()) {
            if (FileManager::pathExtension(item.path) == kTemplateExtension) {
                m_skippedItems.push_back("Templates: " + describeSkipped(item));
            }
        }
    }
    m_syncingDBIndex = -1;
    m_failureReason.clear();
    moveTo(Stage::ExchangingTemplates, Step::ListTemplates);
    m_ftp->listDir(remoteChild(m_remotePath, "Templates"));
}

void SyncManager::templatesListing(const std::optional<std::vector<FtpEntry>>& entries)
{
    if (!entries) {
        // The templates of this computer are then listed as not synced, why.
        m_failureReason = ftpFailure();
        note("The templates could not be listed" +
             (m_failureReason.empty() ? std::string() : " (" + m_failureReason + ")"));
        disconnect();
        alert("Error getting templates list", m_failureReason);
        return;
    }
    for (const FtpEntry& entry : *entries) {
        if (entry.type != 8 || FileManager::pathExtension(entry.name) != kTemplateExtension) {
            continue;
        }
        if (!isAcceptableRemoteItemName(entry.name)) {
            devLog("Sync: the companion's template '" + printableRemoteName(entry.name) + "' is skipped");
            m_refusedTemplates.push_back({entry.name, kRefusedNameReason});
            continue;
        }
        const double phoneDate = static_cast<double>(entry.date);
        auto local = std::find_if(m_templatesArray.begin(), m_templatesArray.end(),
                                  [&](const TemplateEntry& t) { return t.name == entry.name; });
        if (local == m_templatesArray.end()) {
            m_templatesArray.push_back({entry.name, 1, phoneDate});
        } else if (phoneDate > local->date) {
            local->date = phoneDate;
            local->side = 1;
        }
    }
    nextTemplate();
}

void SyncManager::nextTemplate()
{
    if (m_templatesArray.empty()) {
        disconnect();
        return;
    }
    const TemplateEntry& entry = m_templatesArray.front();
    const std::string remote = remoteChild(remoteChild(m_remotePath, "Templates"), entry.name);
    if (entry.side == 0) {
        // The companion's file is replaced only by a complete one: the
        // template goes under a name of its own, then is renamed over it.
        moveTo(Stage::ExchangingTemplates, Step::SendTemplate);
        m_ftp->uploadLocalFilePath(localTemplate(entry.name), partialFile(remote));
        return;
    }
    // The computer's file is replaced only by a complete download.
    moveTo(Stage::ExchangingTemplates, Step::ReceiveTemplate);
    FileManager::removeItem(partialFile(localTemplate(entry.name)));
    m_ftp->downloadRemoteFilePath(remote, partialFile(localTemplate(entry.name)), m_limits.fileBytes);
}

void SyncManager::templateEvent(int event)
{
    if (m_templatesArray.empty()) {
        return;
    }
    const TemplateEntry& entry = m_templatesArray.front();
    const std::string local = localTemplate(entry.name);
    const std::string remote = remoteChild(remoteChild(m_remotePath, "Templates"), entry.name);
    const bool done = event < failure(DirectoryMade);
    switch (m_step) {
    case Step::SendTemplate:
        if (!done) {
            templateFailed();
            return;
        }
        moveTo(Stage::ExchangingTemplates, Step::PlaceTemplate);
        m_ftp->renameDirectory(partialFile(remote), remote);
        return;
    case Step::PlaceTemplate:
        if (done) {
            break;
        }
        // A companion that renames nothing over an existing file has its
        // file removed first.
        moveTo(Stage::ExchangingTemplates, Step::RemoveRemoteTemplate);
        m_ftp->removeFile(remote);
        return;
    case Step::RemoveRemoteTemplate:
        // Whether the companion had the file does not matter.
        moveTo(Stage::ExchangingTemplates, Step::PlaceTemplateAgain);
        m_ftp->renameDirectory(partialFile(remote), remote);
        return;
    case Step::PlaceTemplateAgain:
        if (!done) {
            templateFailed();
            return;
        }
        break;
    case Step::ReceiveTemplate: {
        const std::string partial = partialFile(local);
        const auto problem = done ? databaseFileProblem(partial) : std::nullopt;
        if (!done || problem || std::rename(partial.c_str(), local.c_str()) != 0) {
            FileManager::removeItem(partial);
            if (problem) {
                m_failureReason = "the companion's copy cannot be used: " + *problem;
            }
            templateFailed();
            return;
        }
        break;
    }
    default:
        return;
    }
    note("Template " + printableRemoteName(FileManager::deletingPathExtension(entry.name)) +
         (entry.side == 0 ? " sent" : " taken"));
    m_templatesArray.erase(m_templatesArray.begin());
    nextTemplate();
}

void SyncManager::templateFailed()
{
    if (m_failureReason.empty()) {
        m_failureReason = ftpFailure();
    }
    disconnect();
}

} // namespace dossiva

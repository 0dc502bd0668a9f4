#include "cli/ConsolePresenter.h"

#include "cli/DatabaseResolver.h"
#include "cli/TextTable.h"

#include "platform/FileManager.h"
#include "platform/MainThread.h"
#include "platform/PrintableText.h"
#include "sync/RemoteNames.h"

#include <algorithm>
#include <iostream>

namespace dossiva::cli {

namespace {

std::string whereText(int side)
{
    switch (side) {
    case SyncSide::Mac:
        return "this computer";
    case SyncSide::Phone:
        return "companion";
    default:
        return "both";
    }
}

} // namespace

void ConsolePresenter::showProgress(const std::string& title)
{
    if (title != m_lastTitle) {
        std::cout << printableText(title) << "\n" << std::flush;
        m_lastTitle = title;
    }
}

void ConsolePresenter::refuse(const std::string& reason)
{
    if (m_refusal.empty()) {
        m_refusal = reason;
    }
}

bool ConsolePresenter::chooseTicks(const std::vector<SyncListEntry>& entries)
{
    for (const auto& name : m_choices.only) {
        if (const auto problem = DatabaseResolver::nameProblem(FileManager::deletingPathExtension(name))) {
            refuse(*problem);
            return false;
        }
        const bool known = std::any_of(entries.begin(), entries.end(),
                                       [&](const SyncListEntry& entry) { return entry.name == name; });
        if (!known) {
            refuse("no database named \"" + FileManager::deletingPathExtension(name) + "\" on either side");
            return false;
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        switch (m_choices.ticks) {
        case Ticks::All:
            m_manager->setTicked(i, true);
            break;
        case Ticks::Only:
            m_manager->setTicked(i, std::find(m_choices.only.begin(), m_choices.only.end(),
                                              entries[i].name) != m_choices.only.end());
            break;
        case Ticks::LastSynced:
            break;
        }
    }
    if (!m_manager->canSync()) {
        refuse("no database is ticked (the last sync ticked none): use --all or --only NAME...");
        return false;
    }
    return true;
}

void ConsolePresenter::showDatabaseTable(const std::vector<SyncListEntry>& entries)
{
    MainThread::post([this, entries] {
        if (!chooseTicks(entries)) {
            m_manager->cancel();
            return;
        }
        TextTable table({{"Database", TextTable::Fit::Whole}, {"Where"}, {"Sync"}});
        for (const auto& entry : m_manager->localDBList()) {
            table.addRow({printableRemoteName(FileManager::deletingPathExtension(entry.name)),
                          whereText(entry.side), entry.ticked ? "yes" : "no"});
        }
        table.print(std::cout, outputWidth());
        m_manager->sync();
    });
}

void ConsolePresenter::showConflict(const ConflictPage& page)
{
    const bool wantMac = m_choices.conflicts == Conflicts::Mac;
    const bool wantPhone = m_choices.conflicts == Conflicts::Phone;
    if (m_choices.conflicts == Conflicts::Ask) {
        std::cout << printableText(page.title) << "\n";
        refuse("the structures of \"" + page.name +
               "\" differ: choose a copy with --conflicts mac|phone|newest");
        MainThread::post([this] { m_manager->abort(); });
        return;
    }
    // A page with the wanted box selected is confirmed; another is first
    // clicked over, which shows the page again.
    if ((wantMac && page.selected != SyncSide::Mac) || (wantPhone && page.selected != SyncSide::Phone)) {
        MainThread::post([this, wantMac] {
            if (wantMac) {
                m_manager->conflictSelectMacBox();
            } else {
                m_manager->conflictSelectiPhoneBox();
            }
        });
        return;
    }
    std::cout << "Conflict " << page.counter << ": \"" << printableText(page.name) << "\" keeps the copy of "
              << (page.selected == SyncSide::Mac ? "this computer" : "the companion") << "\n";
    MainThread::post([this] { m_manager->conflictNext(); });
}

void ConsolePresenter::showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly)
{
    const auto chosen = std::find_if(backups.begin(), backups.end(), [&](const BackupEntry& entry) {
        return entry.stamp == m_choices.stamp;
    });
    if (chosen == backups.end()) {
        refuse("no backup " + m_choices.stamp + " (see dossiva-cli backups)");
        MainThread::post([this] { m_manager->cancelRestoreView(); });
        return;
    }
    const RestoreBoxes boxes = RestoreCatalog::boxesFor(chosen->side);
    const bool mac = localOnly || m_choices.mac.value_or(boxes.macTicked);
    const bool phone = !localOnly && m_choices.phone.value_or(boxes.phoneTicked);
    const std::size_t index = static_cast<std::size_t>(chosen - backups.begin());
    MainThread::post([this, index, mac, phone] {
        if (!m_manager->restore(index, mac, phone)) {
            refuse("backup " + m_choices.stamp + " does not hold every side asked for");
            m_manager->cancelRestoreView();
        }
    });
}

} // namespace dossiva::cli

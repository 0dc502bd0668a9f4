#include "sync/ConflictResolver.h"

#include "platform/DateFormat.h"
#include "platform/FileManager.h"

namespace dossiva {

ConflictResolver::ConflictResolver(std::vector<SyncListEntry>& entries)
    : m_entries(entries), m_kept(entries.size())
{
    show(0);
}

void ConflictResolver::leave()
{
    if (m_position < m_kept.size()) {
        m_kept[m_position] = m_selected;
    }
}

void ConflictResolver::show(std::size_t position)
{
    m_position = position;
    if (m_position >= m_entries.size()) {
        m_selected = SyncSide::Mac;
    } else {
        m_selected = m_kept[m_position].value_or(preselected(m_entries[m_position]));
    }
}

int ConflictResolver::preselected(const SyncListEntry& entry)
{
    if (!entry.conflict) {
        return SyncSide::Mac;
    }
    const auto& mac = (*entry.conflict)[0].editDate;
    const auto& phone = (*entry.conflict)[1].editDate;
    if (mac && phone) {
        return *phone > *mac ? SyncSide::Phone : SyncSide::Mac;
    }
    return phone ? SyncSide::Phone : SyncSide::Mac;
}

ConflictBox ConflictResolver::box(const ConflictCopy& copy)
{
    ConflictBox shown{std::to_string(copy.records), std::to_string(copy.fields), "Edited: "};
    if (copy.editDate) {
        shown.edited += DateFormat::withPattern("d MMMM yyyy   HH:mm").format(*copy.editDate);
    }
    return shown;
}

ConflictPage ConflictResolver::page() const
{
    ConflictPage page;
    const std::size_t count = m_entries.size();
    page.title = "There are " + std::to_string(count) + " conflicts involving database synchronization.";
    page.counter = std::to_string(m_position + 1) + " of " + std::to_string(count);
    page.previousEnabled = m_position > 0;
    page.nextTitle = m_position + 1 >= count ? "Sync" : "Next";
    page.selected = m_selected;
    if (m_position < count) {
        const SyncListEntry& entry = m_entries[m_position];
        page.name = FileManager::deletingPathExtension(entry.name);
        if (entry.conflict) {
            page.mac = box((*entry.conflict)[0]);
            page.phone = box((*entry.conflict)[1]);
        }
    }
    return page;
}

bool ConflictResolver::next()
{
    if (m_position >= m_entries.size()) {
        return true;
    }
    m_entries[m_position].side = m_selected == SyncSide::Mac ? SyncSide::Mac : SyncSide::Phone;
    if (m_position + 1 >= m_entries.size()) {
        return true;
    }
    leave();
    show(m_position + 1);
    return false;
}

void ConflictResolver::previous()
{
    if (m_position > 0) {
        leave();
        show(m_position - 1);
    }
}

} // namespace dossiva

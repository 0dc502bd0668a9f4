#include "cli/CommandDatabase.h"

#include "cli/CliCommand.h"
#include "cli/DatabaseResolver.h"
#include "cli/WholeNumber.h"

#include "platform/FileManager.h"
#include "storage/DBManager.h"

#include <algorithm>

namespace dossiva::cli {

CommandDatabase::CommandDatabase(const std::string& name, Access access, Records records)
    : m_db(DBManager::sharedIstance())
{
    const auto package = DatabaseResolver::existingPackage(name);
    if (!package) {
        return;
    }
    m_displayName = FileManager::deletingPathExtension(*package);
    m_db.setReadOnly(access == Access::ReadOnly);
    m_open = m_db.openDB(*package) && (records == Records::Later || m_db.loadDbData());
    if (!m_open) {
        reportUnreadable();
    }
}

bool CommandDatabase::loadRecords(const std::function<bool(const StoredRow&)>& keep)
{
    if (m_open && !m_db.loadDbData(keep)) {
        m_open = false;
        reportUnreadable();
    }
    return m_open;
}

void CommandDatabase::reportUnreadable() const
{
    fail("\"" + m_displayName + "\" cannot be read as a database", m_db.lastFailure());
}

CommandDatabase::~CommandDatabase()
{
    m_db.openDB();
    m_db.setReadOnly(false);
}

const FieldDefinition* CommandDatabase::findField(const std::string& labelOrId) const
{
    const auto& structure = m_db.dbStructure();
    const auto byLabel = std::find_if(structure.begin(), structure.end(),
                                      [&](const FieldDefinition& field) { return field.name == labelOrId; });
    if (byLabel != structure.end()) {
        return &*byLabel;
    }
    const auto id = parseWholeNumber(labelOrId);
    return id ? m_db.field(*id) : nullptr;
}

const FieldDefinition* CommandDatabase::field(const std::string& labelOrId) const
{
    const FieldDefinition* found = findField(labelOrId);
    if (found == nullptr) {
        fail("\"" + m_displayName + "\" has no field \"" + labelOrId + "\"");
    }
    return found;
}

const Record* CommandDatabase::record(const std::string& recordId) const
{
    const auto id = parseWholeNumber(recordId);
    const Record* found = id ? m_db.record(*id) : nullptr;
    if (found == nullptr) {
        fail("\"" + m_displayName + "\" has no record " + recordId);
    }
    return found;
}

} // namespace dossiva::cli

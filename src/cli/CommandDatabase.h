#pragma once

#include "fields/FieldModel.h"

#include <functional>
#include <string>

namespace dossiva {
class DBManager;
class StoredRow;
} // namespace dossiva

namespace dossiva::cli {

// The database a command works on, open in the shared store with its
// records loaded while the object lives. Commands that only look open it
// read-only, so that looking never changes the file.
class CommandDatabase {
public:
    enum class Access { ReadOnly, ReadWrite };
    // With Later the records wait for loadRecords(), which picks them.
    enum class Records { All, Later };

    CommandDatabase(const std::string& name, Access access, Records records = Records::All);
    ~CommandDatabase();
    CommandDatabase(const CommandDatabase&) = delete;
    CommandDatabase& operator=(const CommandDatabase&) = delete;

    // False after a message was printed: no such database, or unreadable.
    bool isOpen() const { return m_open; }
    // Loads the records `keep` accepts; false after a message.
    bool loadRecords(const std::function<bool(const StoredRow&)>& keep);
    DBManager& db() const { return m_db; }
    const std::string& displayName() const { return m_displayName; }

    // The field a command names by its label (exactly) or, failing that, by
    // its id; nullptr after a message.
    const FieldDefinition* field(const std::string& labelOrId) const;
    // The field named without a message, for trying a name.
    const FieldDefinition* findField(const std::string& labelOrId) const;
    // The loaded record with the id given as text; nullptr after a message.
    const Record* record(const std::string& recordId) const;

private:
    void reportUnreadable() const;

    DBManager& m_db;
    std::string m_displayName;
    bool m_open = false;
};

} // namespace dossiva::cli

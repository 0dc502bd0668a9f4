#pragma once

#include "support/TestHome.h"

#include "fields/FieldModel.h"

#include <string>
#include <vector>

namespace dossiva::test {

// A private home with the application's data tree, where packages can be
// made from the empty base the build generated.
class TestLibrary {
public:
    TestLibrary();
    ~TestLibrary();

    // Makes NAME.dossiva from the empty base (one main field, id 1) and opens
    // it with the shared DBManager. Returns the package name.
    std::string makePackage(const std::string& name);

    const std::string& home() const { return m_home.path(); }

private:
    TestHome m_home;
};

// Runs the sqlite3 shell on a file and returns what it printed.
std::string sqliteShell(const std::string& databaseFile, const std::string& sql);

// Entries for addRecordToDb: one per field of the open database, in form
// order, then the two dates.
std::vector<FieldChange> emptyRecordEntries(std::int64_t created = 1000, std::int64_t modified = 2000);
// The entry of a field in such a list.
FieldChange& entryFor(std::vector<FieldChange>& entries, FieldId field);

// The formula of a calculation field that multiplies two number fields.
PropertyList productFormula(FieldId a, FieldId b);

} // namespace dossiva::test

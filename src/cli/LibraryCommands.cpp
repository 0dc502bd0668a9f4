// Commands that look at the library and its databases.
#include "CliCommand.h"
#include "TextTable.h"
#include "ValueDisplay.h"

#include "fields/FieldTypes.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/DatabaseLibrary.h"

#include <iostream>

namespace dossiva::cli {

namespace {

int listLibrary(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        return fail("list takes no arguments");
    }
    const auto entries = DatabaseLibrary::loadDbArray();
    if (entries.empty()) {
        std::cout << "The library is empty (" << Paths::databasesFolder() << ").\n";
        return 0;
    }
    DBManager& db = DBManager::sharedIstance();
    TextTable table({"Name", "Created", "Edited", "Records"});
    for (const auto& entry : entries) {
        const std::string records = db.openDBLazy(entry.name) ? std::to_string(db.recordNum()) : "unreadable";
        table.addRow({FileManager::deletingPathExtension(entry.name), displayDate(entry.created),
                      displayDate(entry.edited), records});
    }
    db.openDB();
    table.print(std::cout);
    return 0;
}

int showDatabase(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        return fail("usage: show NAME");
    }
    const std::string package = DatabaseLibrary::packageName(args[0]);
    if (!FileManager::isDirectory(Paths::packagePath(package))) {
        return fail("no database named \"" + FileManager::deletingPathExtension(package) + "\"");
    }
    DBManager& db = DBManager::sharedIstance();
    // Looking must not change the file.
    db.setReadOnly(true);
    const bool loaded = db.openDB(package) && db.loadDbData();
    db.setReadOnly(false);
    if (!loaded) {
        db.openDB();
        return fail("\"" + FileManager::deletingPathExtension(package) + "\" cannot be read as a database");
    }
    TextTable fields({"ID", "Position", "Label", "Type", "Structure"}, 60);
    for (const auto& field : db.dbStructure()) {
        fields.addRow({std::to_string(field.id), std::to_string(field.orderIndex), field.name,
                       std::to_string(field.type) + " " + FieldTypes::title(field.type),
                       describeStructure(field.structure)});
    }
    std::cout << FileManager::deletingPathExtension(package) << ": " << db.dbStructure().size() << " fields, "
              << db.dbData().size() << " records\n\n";
    fields.print(std::cout);

    std::vector<std::string> header{"RECID"};
    for (const auto& field : db.dbStructure()) {
        header.push_back(field.name);
    }
    header.insert(header.end(), {"Created", "Modified"});
    TextTable records(header, 30);
    for (const auto& record : db.dbData()) {
        std::vector<std::string> row{std::to_string(record.recordId)};
        for (const auto& field : db.dbStructure()) {
            row.push_back(displayValue(field, record.value(field.id)));
        }
        row.push_back(displayDate(record.created.empty() ? -1 : std::stoll("0" + record.created)));
        row.push_back(displayDate(record.modified.empty() ? -1 : std::stoll("0" + record.modified)));
        records.addRow(std::move(row));
    }
    std::cout << '\n';
    records.print(std::cout);
    db.openDB();
    return 0;
}

const CommandRegistration registration(
    10,
    {
        {"list", "", "the databases of the library, with their dates and record counts", listLibrary},
        {"show", "NAME", "a database's fields with their types and options, then its records", showDatabase},
    });

} // namespace

} // namespace dossiva::cli

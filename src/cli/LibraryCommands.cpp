// Commands that look at the library and its databases.
#include "cli/CliCommand.h"
#include "cli/CommandArguments.h"
#include "cli/CommandDatabase.h"
#include "cli/ConsoleAlerts.h"
#include "cli/DatabaseResolver.h"
#include "cli/TextTable.h"
#include "cli/ValueDisplay.h"

#include "fields/DateDisplay.h"
#include "fields/FieldTypes.h"
#include "library/DatabaseLibrary.h"
#include "library/TemplateCatalog.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"
#include "storage/DBManager.h"

#include <algorithm>

#include <iostream>

namespace dossiva::cli {

namespace {

int listLibrary(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        return fail("list takes no arguments");
    }
    ScriptedAlerts quiet;
    DatabaseLibrary library(quiet);
    library.loadDbArray();
    const auto& entries = library.dbList();
    if (entries.empty()) {
        std::cout << "The library is empty (" << Paths::databasesFolder() << ").\n";
        return 0;
    }
    // Counting is a scratch read: a reader of its own, which writes nothing.
    DBManager reader;
    reader.setReadOnly(true);
    TextTable table({"Name", "Created", "Edited", "Records"});
    for (const auto& entry : entries) {
        const std::string records =
            reader.openDBLazy(entry.name) ? std::to_string(reader.recordNum()) : "unreadable";
        table.addRow({FileManager::deletingPathExtension(entry.name), displayDate(entry.created),
                      displayDate(entry.edited), records});
    }
    table.print(std::cout);
    return 0;
}

// The arguments of a command, or nullopt after saying what was wrong.
std::optional<CommandArguments> parseArguments(const std::vector<std::string>& args,
                                               const std::vector<std::string>& switches,
                                               const std::vector<std::string>& options)
{
    std::string error;
    auto parsed = CommandArguments::parse(args, switches, options, error);
    if (!parsed) {
        fail(error);
    }
    return parsed;
}

// Ends a library command: 0 when it succeeded and nothing went wrong.
int outcome(bool succeeded, const ConsoleAlerts& alerts, const std::string& refusedHint = {})
{
    if (alerts.refusedQuestion() && !refusedHint.empty()) {
        return fail(refusedHint);
    }
    return succeeded && !alerts.reportedFailure() ? 0 : 1;
}

// The terminal's alerts and the listed library a command works with.
struct LibrarySession {
    ConsoleAlerts alerts;
    DatabaseLibrary library{alerts};

    LibrarySession() { library.loadDbArray(); }
};

int newDatabase(const std::vector<std::string>& args)
{
    const auto parsed = parseArguments(args, {}, {"--template"});
    if (!parsed || parsed->positional().size() != 1) {
        return fail("usage: new NAME [--template T]");
    }
    ConsoleAlerts alerts;
    DatabaseLibrary library(alerts);
    library.loadDbArray();
    const std::string name = parsed->positional()[0];
    const std::string templateName = parsed->option("--template").value_or("None");
    const auto rows = TemplateCatalog::rows();
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const TemplateRow& r) { return r.name == templateName; });
    if (row == rows.end()) {
        return fail("no template named \"" + templateName + "\" (see dossiva-cli templates)");
    }
    const auto result = row->custom ? library.createNewDatabaseCustomTemplate(templateName, name)
                                    : library.createNewDatabase(static_cast<int>(row - rows.begin()), name);
    DBManager::sharedIstance().openDB();
    if (result == DatabaseLibrary::CreateResult::NameTaken) {
        alerts.inform(
            "Warning",
            "There is already a database with this name. Enter a name that is different from others.");
        return 1;
    }
    if (result == DatabaseLibrary::CreateResult::Created) {
        std::cout << "Created \"" << printableText(name) << "\" from " << printableText(templateName)
                  << ".\n";
    }
    return outcome(result == DatabaseLibrary::CreateResult::Created, alerts);
}

int listTemplates(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        return fail("templates takes no arguments");
    }
    TextTable table({"Row", "Template", "Kind"});
    const auto rows = TemplateCatalog::rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.addRow(
            {std::to_string(i), rows[i].name, rows[i].custom ? "custom" : (i == 0 ? "empty" : "built-in")});
    }
    table.print(std::cout);
    return 0;
}

int duplicateDatabase(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        return fail("usage: duplicate NAME");
    }
    LibrarySession session;
    auto& [alerts, library] = session;
    const auto package = DatabaseResolver::existingPackage(args[0]);
    if (!package) {
        return 1;
    }
    const auto copy = library.duplicateDB(*package);
    DBManager::sharedIstance().openDB();
    if (copy) {
        std::cout << "Duplicated as \"" << printableText(FileManager::deletingPathExtension(*copy))
                  << "\".\n";
    }
    return outcome(copy.has_value(), alerts);
}

int renameDatabase(const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        return fail("usage: rename NAME NEW-NAME");
    }
    LibrarySession session;
    auto& [alerts, library] = session;
    const auto package = DatabaseResolver::existingPackage(args[0]);
    if (!package) {
        return 1;
    }
    if (args[1] == FileManager::deletingPathExtension(*package)) {
        std::cout << "\"" << printableText(args[1]) << "\" already has that name.\n";
        return 0;
    }
    const bool renamed = library.renameDatabase(*package, args[1]);
    DBManager::sharedIstance().openDB();
    if (renamed) {
        std::cout << "Renamed to \"" << printableText(args[1]) << "\".\n";
    }
    return outcome(renamed, alerts);
}

int deleteDatabase(const std::vector<std::string>& args)
{
    const auto parsed = parseArguments(args, {"--yes"}, {});
    if (!parsed || parsed->positional().size() != 1) {
        return fail("usage: delete NAME [--yes]");
    }
    ConsoleAlerts alerts;
    if (parsed->has("--yes")) {
        alerts.queueAnswer("Delete");
    }
    DatabaseLibrary library(alerts);
    library.loadDbArray();
    const auto package = DatabaseResolver::existingPackage(parsed->positional()[0]);
    if (!package) {
        return 1;
    }
    const bool deleted = library.deleteDatabase(*package);
    if (deleted) {
        std::cout << "Deleted \"" << printableText(FileManager::deletingPathExtension(*package)) << "\".\n";
    }
    return outcome(deleted, alerts, "nothing deleted: add --yes to confirm");
}

// export-package and export-template: NAME PATH [--replace], then the
// library's export. An existing PATH is replaced only with --replace.
int exportWith(const std::vector<std::string>& args, const char* usage,
               bool (DatabaseLibrary::*exportTo)(const std::string&, const std::string&, bool))
{
    const auto parsed = parseArguments(args, {"--replace"}, {});
    if (!parsed || parsed->positional().size() != 2) {
        return fail(usage);
    }
    ConsoleAlerts alerts;
    DatabaseLibrary library(alerts);
    library.loadDbArray();
    const auto package = DatabaseResolver::existingPackage(parsed->positional()[0]);
    if (!package) {
        return 1;
    }
    const std::string& destination = parsed->positional()[1];
    const bool replace = parsed->has("--replace");
    if (FileManager::exists(destination) && !replace) {
        return fail(destination + " already exists: add --replace to replace it");
    }
    return outcome((library.*exportTo)(*package, destination, replace), alerts);
}

int exportPackage(const std::vector<std::string>& args)
{
    return exportWith(args, "usage: export-package NAME PATH [--replace]",
                      &DatabaseLibrary::exportDossivaFile);
}

int exportTemplate(const std::vector<std::string>& args)
{
    return exportWith(args, "usage: export-template NAME PATH [--replace]", &DatabaseLibrary::exportTemplate);
}

int importPackage(const std::vector<std::string>& args)
{
    const auto parsed = parseArguments(args, {}, {"--as"});
    if (!parsed || parsed->positional().size() != 1) {
        return fail("usage: import-package PATH [--as NAME]");
    }
    ConsoleAlerts alerts;
    DatabaseLibrary library(alerts);
    library.loadDbArray();
    std::string path = parsed->positional()[0];
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    // --as names the import outright: the name of the file is asked about
    // only when it is taken, so the answer is queued for that question.
    const auto as = parsed->option("--as");
    if (as) {
        const auto package = DatabaseResolver::plainPackage(*as);
        if (!package) {
            return 1;
        }
        // Else the file would come in under its own name, and renaming it
        // would fail after the import.
        if (FileManager::exists(Paths::packagePath(*package))) {
            return fail("a database named \"" + *as + "\" exists: choose another with --as NAME");
        }
        alerts.queueAnswer("OK", *as);
    }
    const auto imported = library.importDossivaFile(path);
    DBManager::sharedIstance().openDB();
    if (as && imported && FileManager::deletingPathExtension(*imported) != *as) {
        // The file's own name was free; honour --as by renaming.
        ConsoleAlerts quiet;
        DatabaseLibrary renamer(quiet);
        renamer.loadDbArray();
        const bool renamed = renamer.renameDatabase(*imported, *as);
        DBManager::sharedIstance().openDB();
        return outcome(renamed, quiet);
    }
    return outcome(imported.has_value(), alerts,
                   "a database of that name exists: choose another with --as NAME");
}

int importTemplate(const std::vector<std::string>& args)
{
    const auto parsed = parseArguments(args, {}, {"--as"});
    if (!parsed || parsed->positional().size() != 1) {
        return fail("usage: import-template PATH [--as NAME]");
    }
    ConsoleAlerts alerts;
    if (const auto as = parsed->option("--as")) {
        alerts.queueAnswer("OK", *as);
    }
    DatabaseLibrary library(alerts);
    return outcome(library.importTemplate(parsed->positional()[0]), alerts,
                   "a template of that name exists: choose another with --as NAME");
}

int showDatabase(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        return fail("usage: show NAME");
    }
    const CommandDatabase database(args[0], CommandDatabase::Access::ReadOnly);
    if (!database.isOpen()) {
        return 1;
    }
    const DBManager& db = database.db();
    TextTable fields({"ID", "Position", "Label", "Type", "Structure"}, 60);
    for (const auto& field : db.dbStructure()) {
        fields.addRow({std::to_string(field.id), std::to_string(field.orderIndex), field.name,
                       std::to_string(field.type) + " " + FieldTypes::title(field.type),
                       describeStructure(field.structure)});
    }
    std::cout << printableText(database.displayName()) << ": " << db.dbStructure().size() << " fields, "
              << db.dbData().size() << " records\n\n";
    fields.print(std::cout);

    std::vector<std::string> header{"RECID"};
    for (const auto& field : db.dbStructure()) {
        header.push_back(field.name);
    }
    header.insert(header.end(), {"Created", "Modified"});
    TextTable records(header, 30);
    const DateFormat recordDates = DateDisplay::recordDateFormat();
    for (const auto& record : db.dbData()) {
        std::vector<std::string> row{std::to_string(record.recordId)};
        for (const auto& field : db.dbStructure()) {
            row.push_back(displayValue(field, record.value(field.id)));
        }
        row.push_back(DateDisplay::recordDateText(recordDates, DateDisplay::createdMoment(record)));
        row.push_back(DateDisplay::recordDateText(recordDates, DateDisplay::modifiedMoment(record)));
        records.addRow(std::move(row));
    }
    std::cout << '\n';
    records.print(std::cout);
    return 0;
}

const CommandRegistration registration(
    10,
    {
        {"list", "", "the databases of the library, with their dates and record counts", listLibrary,
         Protection::Open},
        {"show", "NAME", "a database's fields with their types and options, then its records", showDatabase},
        {"templates", "", "the templates a new database can start from: built-in, then custom", listTemplates,
         Protection::Open},
        {"new", "NAME [--template T]", "creates a database, empty or from a template", newDatabase},
        {"duplicate", "NAME", "copies a database to \"NAME Copy\"", duplicateDatabase},
        {"rename", "NAME NEW-NAME", "renames a database", renameDatabase},
        {"delete", "NAME [--yes]", "deletes a database (--yes confirms)", deleteDatabase},
        {"export-package", "NAME PATH [--replace]",
         "copies a database package (NAME.dossiva) to PATH; --replace replaces an existing package there",
         exportPackage},
        {"import-package", "PATH [--as NAME]", "copies a database package into the library", importPackage},
        {"export-template", "NAME PATH [--replace]",
         "writes a database's fields and layout, without records, to PATH; --replace replaces a file there",
         exportTemplate},
        {"import-template", "PATH [--as NAME]", "adds a template file to the custom templates",
         importTemplate},
    });

} // namespace

} // namespace dossiva::cli

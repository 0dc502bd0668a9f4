// Commands that look at the library and its databases.
#include "cli/CliCommand.h"
#include "cli/CommandDatabase.h"
#include "cli/ConsoleAlerts.h"
#include "cli/DatabaseResolver.h"
#include "cli/RecordListing.h"
#include "cli/TextTable.h"
#include "cli/ValueDisplay.h"
#include "cli/WholeNumber.h"

#include "library/DatabaseLibrary.h"
#include "library/TemplateCatalog.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"
#include "records/RecordFilter.h"
#include "storage/DBManager.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>

namespace dossiva::cli {

namespace {

constexpr const char* kCustomPrefix = "custom:";

std::string shown(const std::string& package)
{
    return FileManager::deletingPathExtension(package);
}

bool packageExists(const std::string& name)
{
    return FileManager::exists(Paths::packagePath(DatabaseLibrary::packageName(name)));
}

// Ends a library command: 0 when it succeeded and nothing went wrong.
int outcome(bool succeeded, const ConsoleAlerts& alerts, const std::string& refusedHint = {})
{
    if (alerts.refusedQuestion() && !refusedHint.empty()) {
        return fail(refusedHint);
    }
    return succeeded && !alerts.reportedFailure() ? kDone : kFailed;
}

// The terminal's alerts and the listed library a command works with.
struct LibrarySession {
    ConsoleAlerts alerts;
    DatabaseLibrary library{alerts};

    LibrarySession() { library.loadDbArray(); }
};

int listLibrary()
{
    ScriptedAlerts quiet;
    DatabaseLibrary library(quiet);
    library.loadDbArray();
    const auto& entries = library.dbList();
    if (entries.empty()) {
        std::cout << "The library is empty (" << printableText(Paths::databasesFolder()) << ").\n";
        return kDone;
    }
    // Counting is a scratch read: a reader of its own, which writes nothing.
    DBManager reader;
    reader.setReadOnly(true);
    // A name is what people copy into the next command: never cut.
    TextTable table({{"Name", TextTable::Fit::Whole},
                     {"Created", TextTable::Fit::Whole},
                     {"Edited", TextTable::Fit::Whole},
                     {"Records", TextTable::Fit::Whole}});
    for (const auto& entry : entries) {
        const std::string records =
            reader.openDBLazy(entry.name) ? std::to_string(reader.recordNum()) : "unreadable";
        table.addRow({shown(entry.name), displayDate(entry.created), displayDate(entry.edited), records});
    }
    table.print(std::cout, outputWidth());
    return kDone;
}

int listTemplates()
{
    TextTable table({{"Row", TextTable::Fit::Whole}, {"Template", TextTable::Fit::Whole}, {"Kind"}});
    const auto rows = TemplateCatalog::rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.addRow(
            {std::to_string(i), rows[i].name, rows[i].custom ? "custom" : (i == 0 ? "empty" : "built-in")});
    }
    table.print(std::cout, outputWidth());
    return kDone;
}

// The template --template names: a row number as templates prints it,
// "custom:NAME" for a custom one, or a name (a built-in one first).
std::optional<std::size_t> templateRow(const std::vector<TemplateRow>& rows, const std::string& given)
{
    if (const auto number = parseWholeNumber(given)) {
        return *number >= 0 && static_cast<std::size_t>(*number) < rows.size()
                   ? std::optional<std::size_t>(static_cast<std::size_t>(*number))
                   : std::nullopt;
    }
    const bool custom = given.rfind(kCustomPrefix, 0) == 0;
    const std::string name = custom ? given.substr(std::string(kCustomPrefix).size()) : given;
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const TemplateRow& row) {
        return row.name == name && (!custom || row.custom);
    });
    return found == rows.end() ? std::nullopt : std::optional<std::size_t>(found - rows.begin());
}

CommandRun defineNew(CLI::App& app)
{
    struct Arguments {
        std::string name;
        std::string templateName = "None";
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("NAME", args->name, "the new database's name")->required();
    app.add_option("--template", args->templateName,
                   "the template to start from: its name, custom:NAME for a custom one, or its row number in "
                   "dossiva-cli templates (default: None, the empty base)");
    return [args] {
        const auto rows = TemplateCatalog::rows();
        const auto row = templateRow(rows, args->templateName);
        if (!row) {
            return fail(
                "no template \"" + args->templateName +
                "\" (see dossiva-cli templates; a custom template named like a built-in one is custom:NAME)");
        }
        if (!DatabaseResolver::plainPackage(args->name)) {
            return kFailed;
        }
        if (packageExists(args->name)) {
            return fail("a database named \"" + args->name + "\" already exists: choose another name");
        }
        LibrarySession session;
        const TemplateRow& chosen = rows[*row];
        const auto result = chosen.custom
                                ? session.library.createNewDatabaseCustomTemplate(chosen.name, args->name)
                                : session.library.createNewDatabase(static_cast<int>(*row), args->name);
        DBManager::sharedIstance().openDB();
        if (result == DatabaseLibrary::CreateResult::Created) {
            std::cout << "Created \"" << printableText(args->name) << "\" from " << printableText(chosen.name)
                      << (chosen.custom ? " (custom)" : "") << ".\n";
        }
        return outcome(result == DatabaseLibrary::CreateResult::Created, session.alerts);
    };
}

CommandRun defineDuplicate(CLI::App& app)
{
    auto name = std::make_shared<std::string>();
    addDatabaseName(app, *name);
    return [name] {
        LibrarySession session;
        const auto package = DatabaseResolver::existingPackage(*name);
        if (!package) {
            return kFailed;
        }
        const std::string copy = shown(*package) + " Copy";
        if (packageExists(copy)) {
            return fail("\"" + copy +
                        "\" already exists: rename it (dossiva-cli rename), then duplicate again");
        }
        const auto duplicated = session.library.duplicateDB(*package);
        DBManager::sharedIstance().openDB();
        if (duplicated) {
            std::cout << "Duplicated as \"" << printableText(shown(*duplicated)) << "\".\n";
        }
        return outcome(duplicated.has_value(), session.alerts);
    };
}

CommandRun defineRename(CLI::App& app)
{
    struct Arguments {
        std::string name;
        std::string newName;
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_option("NEW-NAME", args->newName, "the database's new name")->required();
    return [args] {
        LibrarySession session;
        const auto package = DatabaseResolver::existingPackage(args->name);
        if (!package) {
            return kFailed;
        }
        if (args->newName == shown(*package)) {
            std::cout << "\"" << printableText(args->newName) << "\" already has that name.\n";
            return kDone;
        }
        if (DatabaseResolver::plainPackage(args->newName) && packageExists(args->newName)) {
            return fail("a database named \"" + args->newName + "\" already exists: choose another name");
        }
        const bool renamed = session.library.renameDatabase(*package, args->newName);
        DBManager::sharedIstance().openDB();
        if (renamed) {
            std::cout << "Renamed to \"" << printableText(args->newName) << "\".\n";
        }
        return outcome(renamed, session.alerts);
    };
}

CommandRun defineDelete(CLI::App& app)
{
    struct Arguments {
        std::string name;
        bool yes = false;
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_flag("--yes,-y", args->yes,
                 "delete without asking (without a terminal, nothing is deleted without it)");
    return [args] {
        ConsoleAlerts alerts;
        if (args->yes) {
            alerts.queueAnswer("Delete");
        }
        DatabaseLibrary library(alerts);
        library.loadDbArray();
        const auto package = DatabaseResolver::existingPackage(args->name);
        if (!package) {
            return kFailed;
        }
        const bool deleted = library.deleteDatabase(*package);
        if (deleted) {
            std::cout << "Moved \"" << printableText(shown(*package)) << "\" to the Trash.\n";
        } else if (!alerts.reportedFailure()) {
            std::cout << "Nothing deleted.\n";
        }
        return outcome(deleted || !alerts.reportedFailure(), alerts, "nothing deleted: add --yes to confirm");
    };
}

// export-package and export-template: NAME PATH [--replace], then the
// library's export. An existing PATH is replaced only with --replace.
CommandRun defineExport(CLI::App& app,
                        bool (DatabaseLibrary::*exportTo)(const std::string&, const std::string&, bool))
{
    struct Arguments {
        std::string name;
        std::string path;
        bool replace = false;
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_option("PATH", args->path, "where to write it")->required();
    app.add_flag("--replace", args->replace, "replace what is at PATH (only a thing of the same kind)");
    return [args, exportTo] {
        LibrarySession session;
        const auto package = DatabaseResolver::existingPackage(args->name);
        if (!package) {
            return kFailed;
        }
        if (FileManager::exists(args->path) && !args->replace) {
            return fail(args->path + " already exists: add --replace to replace it");
        }
        return outcome((session.library.*exportTo)(*package, args->path, args->replace), session.alerts);
    };
}

// The path as given, without the slashes a shell's completion adds to a
// folder's name.
std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

CommandRun defineImportPackage(CLI::App& app)
{
    struct Arguments {
        std::string path;
        std::optional<std::string> as;
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("PATH", args->path, "a database package (a folder NAME.dossiva)")->required();
    app.add_option("--as", args->as, "the name it gets in the library (default: the package's own)");
    return [args] {
        if (args->as) {
            if (!DatabaseResolver::plainPackage(*args->as)) {
                return kFailed;
            }
            if (packageExists(*args->as)) {
                return fail("a database named \"" + *args->as + "\" exists: choose another with --as NAME");
            }
        }
        LibrarySession session;
        const auto imported = session.library.importDossivaFile(withoutTrailingSlashes(args->path), args->as);
        DBManager::sharedIstance().openDB();
        return outcome(imported.has_value(), session.alerts,
                       "a database of that name exists: choose another with --as NAME");
    };
}

CommandRun defineImportTemplate(CLI::App& app)
{
    struct Arguments {
        std::string path;
        std::optional<std::string> as;
    };
    auto args = std::make_shared<Arguments>();
    app.add_option("PATH", args->path, "a template file (NAME.dossivaTemplate)")->required();
    app.add_option("--as", args->as, "the name it gets among the custom templates (default: the file's own)");
    return [args] {
        if (args->as && FileManager::exists(TemplateCatalog::customTemplateFile(*args->as))) {
            return fail("a template named \"" + *args->as + "\" exists: choose another with --as NAME");
        }
        ConsoleAlerts alerts;
        DatabaseLibrary library(alerts);
        return outcome(library.importTemplate(args->path, args->as), alerts,
                       "a template of that name exists: choose another with --as NAME");
    };
}

CommandRun defineShow(CLI::App& app)
{
    auto name = std::make_shared<std::string>();
    addDatabaseName(app, *name);
    return [name] {
        const CommandDatabase database(*name, CommandDatabase::Access::ReadOnly);
        if (!database.isOpen()) {
            return kFailed;
        }
        const DBManager& db = database.db();
        std::cout << printableText(database.displayName()) << ": " << db.dbStructure().size() << " fields, "
                  << db.dbData().size() << " records\n\n";
        const auto width = outputWidth();
        printFieldTable(db.dbStructure(), std::cout, width);
        std::cout << '\n';
        RecordListing(db.dbName(), db.dbStructure(), recordPointers(db.dbData()))
            .printTable(std::cout, width);
        return kDone;
    };
}

CommandRun without(int (*run)())
{
    return run;
}

const CommandRegistration registration(
    10,
    {
        {"list", "the databases of the library, with their dates and record counts", "",
         [](CLI::App&) { return without(listLibrary); }, Protection::Open},
        {"show", "a database's fields with their types and options, then its records", "", defineShow},
        {"templates", "the templates a new database can start from: built-in, then custom", "",
         [](CLI::App&) { return without(listTemplates); }, Protection::Open},
        {"new", "creates a database, empty or from a template", "", defineNew},
        {"duplicate", "copies a database to \"NAME Copy\"", "", defineDuplicate},
        {"rename", "renames a database", "", defineRename},
        {"delete", "moves a database to the Trash, after asking (--yes does not ask)",
         "On a terminal the question is asked; elsewhere nothing is deleted without --yes. The package goes\n"
         "to the desktop's Trash, from where a file manager can put it back.",
         defineDelete},
        {"export-package", "copies a database package (NAME.dossiva) to PATH", "",
         [](CLI::App& app) { return defineExport(app, &DatabaseLibrary::exportDossivaFile); }},
        {"import-package", "copies a database package into the library", "", defineImportPackage},
        {"export-template", "writes a database's fields and layout, without records, to PATH", "",
         [](CLI::App& app) { return defineExport(app, &DatabaseLibrary::exportTemplate); }},
        {"import-template", "adds a template file to the custom templates", "", defineImportTemplate},
    });

} // namespace

} // namespace dossiva::cli

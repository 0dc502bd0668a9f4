// Commands that add, change, copy, delete and list records, through the
// same entries, search and sort as the Use section.
#include "cli/CliCommand.h"
#include "cli/CommandDatabase.h"
#include "cli/FieldValueParser.h"
#include "cli/RecordListing.h"
#include "cli/TerminalQuestion.h"
#include "cli/TextTable.h"

#include "platform/UserDefaults.h"
#include "records/RecordEditor.h"
#include "records/RecordFilter.h"
#include "records/RecordSorter.h"
#include "storage/DBManager.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>

namespace dossiva::cli {

namespace {

// The edits of FIELD=VALUE arguments; nullopt after a message.
std::optional<std::vector<FieldEdit>> parseEdits(const CommandDatabase& database,
                                                 const std::vector<std::string>& assignments)
{
    FieldValueParser parser(database, std::cin);
    std::vector<FieldEdit> edits;
    for (const auto& assignment : assignments) {
        auto edit = parser.parseAssignment(assignment);
        if (!edit) {
            return std::nullopt;
        }
        const bool repeated = std::any_of(edits.begin(), edits.end(), [&](const FieldEdit& earlier) {
            return earlier.field == edit->field;
        });
        if (repeated) {
            fail("\"" + database.db().field(edit->field)->name + "\" is given more than once");
            return std::nullopt;
        }
        edits.push_back(std::move(*edit));
    }
    return edits;
}

// The records named by their ids, all of which must exist; nullopt after
// a message.
std::optional<std::vector<RecordId>> recordIds(const CommandDatabase& database,
                                               const std::vector<std::string>& texts)
{
    std::vector<RecordId> ids;
    for (const auto& text : texts) {
        const Record* record = database.record(text);
        if (record == nullptr) {
            return std::nullopt;
        }
        ids.push_back(record->recordId);
    }
    return ids;
}

// NAME and the record ids or FIELD=VALUE arguments after it.
struct NameAndList {
    std::string name;
    std::string record; // for set
    std::vector<std::string> list;
    bool yes = false;
};

constexpr const char* kValueForms =
    "FIELD is a label or an id. Numbers as typed in the form (1,5 or 12 000), dates and times as ISO 8601\n"
    "(2024-05-01T14:30) or whole seconds, choices by item, checkboxes as 1/0/true/false/yes/no, pictures\n"
    "as a file path, passwords as text or - to read a line from standard input; an empty VALUE leaves\n"
    "the field empty.";

CommandRun defineAddRecord(CLI::App& app)
{
    auto args = std::make_shared<NameAndList>();
    addDatabaseName(app, args->name);
    app.add_option("FIELD=VALUE", args->list, "the record's values");
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        if (!database.isOpen()) {
            return kFailed;
        }
        const auto edits = parseEdits(database, args->list);
        if (!edits) {
            return kFailed;
        }
        RecordEditor editor(database.db());
        const auto id = editor.addRecord(*edits);
        if (!id) {
            return fail("the record could not be added to \"" + database.displayName() + "\"",
                        database.db().lastFailure());
        }
        std::cout << *id << '\n';
        return kDone;
    };
}

CommandRun defineSet(CLI::App& app)
{
    auto args = std::make_shared<NameAndList>();
    addDatabaseName(app, args->name);
    app.add_option("RECID", args->record, "the record's id")->required();
    app.add_option("FIELD=VALUE", args->list, "the values to change")->required();
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        const Record* record = database.isOpen() ? database.record(args->record) : nullptr;
        if (record == nullptr) {
            return kFailed;
        }
        const RecordId id = record->recordId;
        const auto edits = parseEdits(database, args->list);
        if (!edits) {
            return kFailed;
        }
        RecordEditor editor(database.db());
        if (!editor.save(id, *edits)) {
            return fail("record " + args->record + " could not be changed", database.db().lastFailure());
        }
        return kDone;
    };
}

CommandRun defineDuplicateRecords(CLI::App& app)
{
    auto args = std::make_shared<NameAndList>();
    addDatabaseName(app, args->name);
    app.add_option("RECID", args->list, "the records to copy")->required();
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        if (!database.isOpen()) {
            return kFailed;
        }
        const auto ids = recordIds(database, args->list);
        if (!ids) {
            return kFailed;
        }
        RecordEditor editor(database.db());
        const RecordEditor::Duplicates result = editor.duplicateRecords(*ids);
        for (RecordId copy : result.copies) {
            std::cout << copy << '\n';
        }
        return result.complete ? kDone : fail("Error duplicating", database.db().lastFailure());
    };
}

CommandRun defineDeleteRecords(CLI::App& app)
{
    auto args = std::make_shared<NameAndList>();
    addDatabaseName(app, args->name);
    app.add_option("RECID", args->list, "the records to delete")->required();
    app.add_flag("--yes,-y", args->yes, "delete without asking");
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        if (!database.isOpen()) {
            return kFailed;
        }
        const auto ids = recordIds(database, args->list);
        if (!ids) {
            return kFailed;
        }
        const std::string question =
            ids->size() == 1 ? "Are you sure you want to delete this record?"
                             : "Are you sure you want to delete " + std::to_string(ids->size()) + " records?";
        if (!TerminalQuestion::confirmed(args->yes, question, "delete")) {
            return kFailed;
        }
        RecordEditor editor(database.db());
        int status = kDone;
        for (RecordId id : *ids) {
            if (!editor.deleteRecord(id)) {
                status = fail("record " + std::to_string(id) + " could not be deleted",
                              database.db().lastFailure());
            }
        }
        return status;
    };
}

CommandRun defineDeleteAll(CLI::App& app)
{
    auto args = std::make_shared<NameAndList>();
    addDatabaseName(app, args->name);
    app.add_flag("--yes,-y", args->yes, "delete without asking");
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        if (!database.isOpen()) {
            return kFailed;
        }
        const std::string question = "Are you sure you want to delete ALL " +
                                     std::to_string(database.db().dbData().size()) + " record(s)?";
        if (!TerminalQuestion::confirmed(args->yes, question, "delete")) {
            return kFailed;
        }
        RecordEditor editor(database.db());
        return editor.deleteAllRecords()
                   ? kDone
                   : fail("the records of \"" + database.displayName() + "\" could not be deleted",
                          database.db().lastFailure());
    };
}

CommandRun defineRecords(CLI::App& app)
{
    struct Arguments {
        std::string name;
        std::string search;
        std::optional<std::string> sort;
        bool ascending = false;
        bool descending = false;
        std::string format = "table";
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_option("--search", args->search, "only the records the application's search finds for TEXT");
    app.add_option("--sort", args->sort, "the order: title, modified or created (default: the application's)")
        ->check(CLI::IsMember({"title", "modified", "created"}));
    auto* ascendingFlag = app.add_flag("--ascending", args->ascending, "in ascending order");
    app.add_flag("--descending", args->descending, "in descending order")->excludes(ascendingFlag);
    app.add_option("--format", args->format, "table (for people), csv or json (for programs)")
        ->check(CLI::IsMember({"table", "csv", "json"}));
    return [args] {
        static const std::map<std::string, int> sortings = {{"title", RecordSorter::ByTitle},
                                                            {"modified", RecordSorter::ByModificationDate},
                                                            {"created", RecordSorter::ByCreationDate}};
        // Without flags the records come in the order the user chose in the
        // application.
        const RecordSorter preferred = RecordSorter::fromSettings(UserDefaults::standard());
        const int sorting = args->sort ? sortings.at(*args->sort) : preferred.sorting();
        const bool ascending = args->ascending || (!args->descending && preferred.ascending());
        CommandDatabase database(args->name, CommandDatabase::Access::ReadOnly,
                                 CommandDatabase::Records::Later);
        if (!database.isOpen()) {
            return kFailed;
        }
        const auto& structure = database.db().dbStructure();
        // Only the records found are held: each is matched as it is read.
        const RecordFilter filter(structure, args->search, UserDefaults::standard().boolForKey("Protect"));
        if (!database.loadRecords([&filter](const StoredRow& row) { return filter.matches(row); })) {
            return kFailed;
        }
        std::vector<const Record*> records = recordPointers(database.db().dbData());
        RecordSorter(sorting, ascending).sort(records);
        const RecordListing listing(database.db().dbName(), structure, records);
        if (args->format == "json") {
            listing.printJson(std::cout);
        } else if (args->format == "csv") {
            listing.printCsv(std::cout);
        } else {
            listing.printTable(std::cout, outputWidth());
        }
        return kDone;
    };
}

const CommandRegistration registration(
    45, {
            {"add-record", "adds a record and prints its id", kValueForms, defineAddRecord},
            {"set", "changes values of a record, read as for add-record", kValueForms, defineSet},
            {"duplicate-record", "copies records with their pictures and dates; prints the new ids", "",
             defineDuplicateRecords},
            {"delete-record", "deletes records and their pictures, after asking (--yes does not ask)", "",
             defineDeleteRecords},
            {"delete-all", "deletes every record of a database, after asking (--yes does not ask)", "",
             defineDeleteAll},
            {"records", "lists records found by the search as the application finds them, in its order",
             "JSON gives an array of {\"RECID\", \"created\", \"modified\", \"fields\": {LABEL: VALUE}}; "
             "CSV gives the\nfields only, in forms import-csv --labels reads back.",
             defineRecords},
        });

} // namespace

} // namespace dossiva::cli

// Commands that add, change, copy, delete and list records, through the
// same entries, search and sort as the Use section.
#include "cli/CliCommand.h"
#include "cli/CommandArguments.h"
#include "cli/CommandDatabase.h"
#include "cli/FieldValueParser.h"
#include "cli/RecordListing.h"

#include "platform/UserDefaults.h"
#include "records/RecordEditor.h"
#include "records/RecordFilter.h"
#include "records/RecordSorter.h"
#include "storage/DBManager.h"

#include <algorithm>
#include <iostream>

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

int addRecord(const std::vector<std::string>& args)
{
    if (args.empty()) {
        return fail("usage: add-record NAME [FIELD=VALUE ...]");
    }
    CommandDatabase database(args[0], CommandDatabase::Access::ReadWrite);
    if (!database.isOpen()) {
        return 1;
    }
    const auto edits = parseEdits(database, {args.begin() + 1, args.end()});
    if (!edits) {
        return 1;
    }
    RecordEditor editor(database.db());
    const auto id = editor.addRecord(*edits);
    if (!id) {
        return fail("the record could not be added to \"" + database.displayName() + "\"",
                    database.db().lastFailure());
    }
    std::cout << *id << '\n';
    return 0;
}

int setValues(const std::vector<std::string>& args)
{
    if (args.size() < 3) {
        return fail("usage: set NAME RECID FIELD=VALUE ...");
    }
    CommandDatabase database(args[0], CommandDatabase::Access::ReadWrite);
    const Record* record = database.isOpen() ? database.record(args[1]) : nullptr;
    if (record == nullptr) {
        return 1;
    }
    const RecordId id = record->recordId;
    const auto edits = parseEdits(database, {args.begin() + 2, args.end()});
    if (!edits) {
        return 1;
    }
    RecordEditor editor(database.db());
    if (!editor.save(id, *edits)) {
        return fail("record " + args[1] + " could not be changed", database.db().lastFailure());
    }
    return 0;
}

int duplicateRecords(const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        return fail("usage: duplicate-record NAME RECID ...");
    }
    CommandDatabase database(args[0], CommandDatabase::Access::ReadWrite);
    if (!database.isOpen()) {
        return 1;
    }
    const auto ids = recordIds(database, {args.begin() + 1, args.end()});
    if (!ids) {
        return 1;
    }
    RecordEditor editor(database.db());
    const RecordEditor::Duplicates result = editor.duplicateRecords(*ids);
    for (RecordId copy : result.copies) {
        std::cout << copy << '\n';
    }
    return result.complete ? 0 : fail("Error duplicating", database.db().lastFailure());
}

int deleteRecords(const std::vector<std::string>& raw)
{
    std::string error;
    const auto args = CommandArguments::parse(raw, {"--yes"}, {}, error);
    if (!args || args->positional().size() < 2) {
        return fail(args ? "usage: delete-record NAME RECID ... --yes" : error);
    }
    const auto& positional = args->positional();
    CommandDatabase database(positional[0], CommandDatabase::Access::ReadWrite);
    if (!database.isOpen()) {
        return 1;
    }
    const auto ids = recordIds(database, {positional.begin() + 1, positional.end()});
    if (!ids) {
        return 1;
    }
    if (!args->has("--yes")) {
        const std::string question =
            ids->size() == 1 ? "Are you sure you want to delete this record?"
                             : "Are you sure you want to delete " + std::to_string(ids->size()) + " records?";
        return fail(question + " Add --yes to delete.");
    }
    RecordEditor editor(database.db());
    int status = 0;
    for (RecordId id : *ids) {
        if (!editor.deleteRecord(id)) {
            status =
                fail("record " + std::to_string(id) + " could not be deleted", database.db().lastFailure());
        }
    }
    return status;
}

int deleteAll(const std::vector<std::string>& raw)
{
    std::string error;
    const auto args = CommandArguments::parse(raw, {"--yes"}, {}, error);
    if (!args || args->positional().size() != 1) {
        return fail(args ? "usage: delete-all NAME --yes" : error);
    }
    CommandDatabase database(args->positional()[0], CommandDatabase::Access::ReadWrite);
    if (!database.isOpen()) {
        return 1;
    }
    if (!args->has("--yes")) {
        return fail("Are you sure you want to delete ALL " + std::to_string(database.db().dbData().size()) +
                    " record(s)? Add --yes to delete.");
    }
    RecordEditor editor(database.db());
    return editor.deleteAllRecords()
               ? 0
               : fail("the records of \"" + database.displayName() + "\" could not be deleted",
                      database.db().lastFailure());
}

std::optional<int> sortingNamed(const std::string& name)
{
    if (name == "title") {
        return RecordSorter::ByTitle;
    }
    if (name == "modified") {
        return RecordSorter::ByModificationDate;
    }
    if (name == "created") {
        return RecordSorter::ByCreationDate;
    }
    return std::nullopt;
}

int listRecords(const std::vector<std::string>& raw)
{
    std::string error;
    const auto args = CommandArguments::parse(raw, {"--ascending", "--descending"},
                                              {"--search", "--sort", "--format"}, error);
    if (!args || args->positional().size() != 1) {
        return fail(args ? "usage: records NAME [--search TEXT] [--sort title|modified|created] "
                           "[--ascending|--descending] [--format table|csv|json]"
                         : error);
    }
    // Without flags the records come in the order the user chose in the
    // application.
    const RecordSorter preferred = RecordSorter::fromSettings(UserDefaults::standard());
    int sorting = preferred.sorting();
    if (const auto name = args->option("--sort")) {
        const auto chosen = sortingNamed(*name);
        if (!chosen) {
            return fail("--sort takes title, modified or created, not '" + *name + "'");
        }
        sorting = *chosen;
    }
    const bool ascending = args->choice("--ascending", "--descending").value_or(preferred.ascending());
    const std::string format = args->option("--format").value_or("table");
    if (format != "table" && format != "csv" && format != "json") {
        return fail("--format takes table, csv or json, not '" + format + "'");
    }
    CommandDatabase database(args->positional()[0], CommandDatabase::Access::ReadOnly);
    if (!database.isOpen()) {
        return 1;
    }
    const auto& structure = database.db().dbStructure();
    const RecordFilter filter(structure, args->option("--search").value_or(""),
                              UserDefaults::standard().boolForKey("Protect"));
    std::vector<const Record*> records = filter.filter(recordPointers(database.db().dbData()));
    RecordSorter(sorting, ascending).sort(records);
    const RecordListing listing(structure, records);
    if (format == "json") {
        listing.printJson(std::cout);
    } else if (format == "csv") {
        listing.printCsv(std::cout);
    } else {
        listing.printTable(std::cout);
    }
    return 0;
}

const CommandRegistration registration(
    45, {
            {"add-record", "NAME [FIELD=VALUE ...]",
             "adds a record and prints its id; FIELD is a label or an id; numbers as typed in the form\n"
             "(1,5 or 12 000), dates and times as ISO 8601 (2024-05-01T14:30) or whole seconds, choices by\n"
             "item, checkboxes as 1/0/true/false/yes/no, pictures as a file path, passwords as text or - to\n"
             "read a line from standard input; an empty VALUE leaves the field empty",
             addRecord},
            {"set", "NAME RECID FIELD=VALUE ...", "changes values of a record, read as for add-record",
             setValues},
            {"duplicate-record", "NAME RECID ...",
             "copies records with their pictures and dates; prints the new ids", duplicateRecords},
            {"delete-record", "NAME RECID ... --yes", "deletes records and their pictures", deleteRecords},
            {"delete-all", "NAME --yes", "deletes every record of a database", deleteAll},
            {"records",
             "NAME [--search TEXT] [--sort title|modified|created] [--ascending|--descending] "
             "[--format table|csv|json]",
             "lists records found by the search as the application finds them, in its order (by default the\n"
             "order chosen in the application); JSON objects are keyed by field label plus \"RECID\",\n"
             "\"created\" and \"modified\"",
             listRecords},
        });

} // namespace

} // namespace dossiva::cli

// Commands that define a database's fields: list, add, rename, change the
// options of, move and delete them, under the same rules as the Define
// section.
#include "cli/CliCommand.h"
#include "cli/CommandDatabase.h"
#include "cli/FieldTypeNames.h"
#include "cli/FormulaText.h"
#include "cli/RecordListing.h"
#include "cli/TerminalQuestion.h"
#include "cli/TextTable.h"
#include "cli/WholeNumber.h"

#include "fields/FieldTypes.h"
#include "fields/StructureCodec.h"
#include "platform/PrintableText.h"
#include "records/StructureEditor.h"
#include "storage/DBManager.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace dossiva::cli {

namespace {

bool addable(int type)
{
    return type != FieldType::Main;
}

std::vector<std::string> splitItems(const std::string& list)
{
    std::vector<std::string> items;
    if (list.empty()) {
        return items;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        item.erase(0, item.find_first_not_of(' '));
        item.erase(item.find_last_not_of(' ') + 1);
        items.push_back(std::move(item));
        if (comma == std::string::npos) {
            return items;
        }
        start = comma + 1;
    }
}

// The options of a field as flags: each given one changes its option.
struct FieldOptions {
    std::optional<std::string> items;
    std::optional<std::string> caption;
    std::optional<std::string> formula;
    bool ask = false;
    bool noAsk = false;
    bool now = false;
    bool noNow = false;

    std::optional<bool> askChoice() const { return ask || noAsk ? std::optional<bool>(ask) : std::nullopt; }
    std::optional<bool> nowChoice() const { return now || noNow ? std::optional<bool>(now) : std::nullopt; }

    void declare(CLI::App& app)
    {
        app.add_option("--items", items, "a choose field's items, separated by commas (A,B,...)");
        app.add_option("--caption", caption, "the text beside a checkbox");
        app.add_option(
            "--formula", formula,
            "a calculation: number fields named by label, joined by + - * / (\"Price * Quantity\")");
        auto* askFlag = app.add_flag("--ask", ask, "a password field asks for the protection password");
        app.add_flag("--no-ask", noAsk, "a password field shows its value without asking")->excludes(askFlag);
        auto* nowFlag = app.add_flag("--now", now, "a date or time field has a button for now");
        app.add_flag("--no-now", noNow, "a date or time field has no such button")->excludes(nowFlag);
    }
};

// The structure a field of the type gets from the option flags, starting
// from its current options; nullopt after a message when a flag does not
// fit the type or a formula does not read.
std::optional<PropertyList> structureFromOptions(const FieldOptions& options, const FieldDefinition& field,
                                                 const std::vector<FieldDefinition>& structure, bool& changed)
{
    struct Rule {
        bool given;
        bool fits;
        const char* flag;
        const char* types;
    };
    const int type = field.type;
    const Rule rules[] = {
        {options.items.has_value(), type == FieldType::Choose, "--items", "choose fields"},
        {options.caption.has_value(), type == FieldType::Checkbox, "--caption", "checkbox fields"},
        {options.askChoice().has_value(), type == FieldType::Password, "--ask/--no-ask", "password fields"},
        {options.nowChoice().has_value(), FieldTypes::isDateType(type), "--now/--no-now",
         "date, time and date and time fields"},
        {options.formula.has_value(), type == FieldType::Calculation, "--formula", "calculation fields"},
    };
    changed = false;
    for (const Rule& rule : rules) {
        if (rule.given && !rule.fits) {
            fail(std::string(rule.flag) + " applies to " + rule.types + " only");
            return std::nullopt;
        }
        changed = changed || rule.given;
    }
    if (type == FieldType::Calculation) {
        if (!options.formula) {
            return field.structure;
        }
        std::string error;
        auto formula = FormulaText::parse(*options.formula, structure, error);
        if (!formula) {
            fail(error);
        }
        return formula;
    }
    StructureEditorState state = StructureEditor::editorState(field);
    if (options.items) {
        state.items = splitItems(*options.items);
    }
    if (options.caption) {
        state.caption = *options.caption;
    }
    state.askPassword = options.askChoice().value_or(state.askPassword);
    state.showNowButton = options.nowChoice().value_or(state.showNowButton);
    return StructureEditor::hasOptions(type) ? structureFromEditor(type, state) : field.structure;
}

// Prints why a structure change was refused; the exit status.
int report(const StructureResult& result, const std::string& otherwise)
{
    if (result.hasAlert()) {
        return fail(result.alert.message);
    }
    return result.done ? kDone : fail(otherwise, DBManager::sharedIstance().lastFailure());
}

// A form position from 1 as a form index, nullopt after a message when it
// is not a position from 2 to `last`.
std::optional<std::size_t> formIndex(const std::string& text, std::size_t last)
{
    const auto position = parseWholeNumber(text);
    if (!position || *position < 1 || static_cast<std::size_t>(*position) > last) {
        fail("position " + text + " is not between 2 and " + std::to_string(last));
        return std::nullopt;
    }
    if (*position == 1) {
        fail("nothing goes above the first field: positions start at 2");
        return std::nullopt;
    }
    return static_cast<std::size_t>(*position - 1);
}

CommandRun defineFields(CLI::App& app)
{
    auto name = std::make_shared<std::string>();
    addDatabaseName(app, *name);
    return [name] {
        CommandDatabase database(*name, CommandDatabase::Access::ReadOnly);
        if (!database.isOpen()) {
            return kFailed;
        }
        printFieldTable(database.db().dbStructure(), std::cout, outputWidth());
        return kDone;
    };
}

CommandRun defineAddField(CLI::App& app)
{
    struct Arguments {
        std::string name;
        std::string label;
        std::string type;
        std::optional<std::string> at;
        FieldOptions options;
    };
    auto args = std::make_shared<Arguments>();
    addDatabaseName(app, args->name);
    app.add_option("LABEL", args->label, "the new field's label")->required();
    std::vector<std::string> types;
    for (const FieldTypeName& type : fieldTypeNames()) {
        if (*type.name != '\0' && addable(type.code)) {
            types.emplace_back(type.name);
        }
    }
    app.add_option("TYPE", args->type, "one of " + typeNameList(addable))
        ->required()
        ->check(CLI::IsMember(types));
    app.add_option("--at", args->at, "its position in the form, from 2 (default: last)");
    args->options.declare(app);
    return [args] {
        // TYPE was checked as it was parsed.
        const int type = *typeNamed(args->type, addable);
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        if (!database.isOpen()) {
            return kFailed;
        }
        DBManager& db = database.db();
        const std::size_t count = db.dbStructure().size();
        std::size_t index = count;
        if (args->at) {
            const auto chosen = formIndex(*args->at, count + 1);
            if (!chosen) {
                return kFailed;
            }
            index = *chosen;
        }
        FieldDefinition prototype{0, args->label, type, defaultStructure(type), 0, 0};
        bool changed = false;
        const auto structure = structureFromOptions(args->options, prototype, db.dbStructure(), changed);
        if (!structure) {
            return kFailed;
        }
        StructureEditor editor(db);
        const StructureResult result = editor.addField(args->label, type, *structure, index);
        if (result.done) {
            std::cout << result.fieldId << '\n';
        }
        return report(result, StructureEditor::kAddFieldError);
    };
}

struct NameAndField {
    std::string name;
    std::string field;
    std::string value; // the new label or position
    FieldOptions options;
    bool yes = false;
};

void declareField(CLI::App& app, NameAndField& args)
{
    addDatabaseName(app, args.name);
    app.add_option("FIELD", args.field, "the field's label or id")->required();
}

CommandRun defineRenameField(CLI::App& app)
{
    auto args = std::make_shared<NameAndField>();
    declareField(app, *args);
    app.add_option("LABEL", args->value, "the field's new label")->required();
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        const FieldDefinition* field = database.isOpen() ? database.field(args->field) : nullptr;
        if (field == nullptr) {
            return kFailed;
        }
        StructureEditor editor(database.db());
        return report(editor.renameField(field->id, args->value), "the field could not be renamed");
    };
}

CommandRun defineSetField(CLI::App& app)
{
    auto args = std::make_shared<NameAndField>();
    declareField(app, *args);
    args->options.declare(app);
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        const FieldDefinition* field = database.isOpen() ? database.field(args->field) : nullptr;
        if (field == nullptr) {
            return kFailed;
        }
        bool changed = false;
        const auto structure =
            structureFromOptions(args->options, *field, database.db().dbStructure(), changed);
        if (!structure) {
            return kFailed;
        }
        if (!changed) {
            return wrongUsage(
                "set-field",
                "nothing to change: give --items, --caption, --ask, --no-ask, --now, --no-now or "
                "--formula");
        }
        StructureEditor editor(database.db());
        // A copy: storing the field replaces the definition the label came from.
        const std::string label = field->name;
        return report(editor.saveField(field->id, label, *structure), "the field could not be changed");
    };
}

CommandRun defineMoveField(CLI::App& app)
{
    auto args = std::make_shared<NameAndField>();
    declareField(app, *args);
    app.add_option("POSITION", args->value, "its new position in the form, from 2")->required();
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        const FieldDefinition* field = database.isOpen() ? database.field(args->field) : nullptr;
        if (field == nullptr) {
            return kFailed;
        }
        const auto& structure = database.db().dbStructure();
        const auto source = static_cast<std::size_t>(field - structure.data());
        if (source == 0) {
            return fail("the first field of the form stays first and cannot be moved");
        }
        const auto target = formIndex(args->value, structure.size());
        if (!target) {
            return kFailed;
        }
        if (*target == source) {
            std::cout << "\"" << printableText(field->name) << "\" is already at position " << args->value
                      << "\n";
            return kDone;
        }
        StructureEditor editor(database.db());
        return report(editor.moveField(source, *target), StructureEditor::kMoveFieldError);
    };
}

CommandRun defineDeleteField(CLI::App& app)
{
    auto args = std::make_shared<NameAndField>();
    declareField(app, *args);
    app.add_flag("--yes,-y", args->yes, "delete without asking");
    return [args] {
        CommandDatabase database(args->name, CommandDatabase::Access::ReadWrite);
        const FieldDefinition* field = database.isOpen() ? database.field(args->field) : nullptr;
        if (field == nullptr) {
            return kFailed;
        }
        if (!TerminalQuestion::confirmed(args->yes, "Delete the field and all its data?",
                                         "delete \"" + field->name + "\"")) {
            return kFailed;
        }
        StructureEditor editor(database.db());
        return report(editor.deleteField(field->id), StructureEditor::kDeleteFieldError);
    };
}

const CommandRegistration registration(
    40,
    {
        {"fields", "a database's fields: id, position, label, type and options", "", defineFields},
        {"add-field", "adds a field and prints its id",
         "POSITION counts from 1 (the first field stays first); a formula joins number fields, named by\n"
         "label, with + - * /.",
         defineAddField},
        {"rename-field", "renames a field (FIELD is its label or its id); labels are unique", "",
         defineRenameField},
        {"set-field", "changes a field's options",
         "Records keep their choices by item text; formulas are recomputed.", defineSetField},
        {"move-field", "moves a field to a position of the form (from 2)", "", defineMoveField},
        {"delete-field", "deletes a field and its values in every record, after asking (--yes does not ask)",
         "", defineDeleteField},
    });

} // namespace

} // namespace dossiva::cli

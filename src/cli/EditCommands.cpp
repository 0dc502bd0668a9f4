// Commands that define a database's fields: list, add, rename, change the
// options of, move and delete them, under the same rules as the Define
// section.
#include "cli/CliCommand.h"
#include "cli/CommandArguments.h"
#include "cli/CommandDatabase.h"
#include "cli/FormulaText.h"
#include "cli/TextTable.h"

#include "fields/CalculationEngine.h"
#include "fields/FieldTypes.h"
#include "fields/LargeTextHeight.h"
#include "fields/StructureCodec.h"
#include "platform/PrintableText.h"
#include "records/StructureEditor.h"
#include "storage/DBManager.h"

#include <iostream>

namespace dossiva::cli {

namespace {

const std::vector<std::pair<const char*, int>> kTypeNames = {
    {"small", FieldType::SmallText},     {"large", FieldType::LargeText},
    {"number", FieldType::Number},       {"date", FieldType::Date},
    {"time", FieldType::Time},           {"datetime", FieldType::DateTime},
    {"image", FieldType::Image},         {"choose", FieldType::Choose},
    {"separator", FieldType::Separator}, {"calculation", FieldType::Calculation},
    {"email", FieldType::Email},         {"link", FieldType::Link},
    {"checkbox", FieldType::Checkbox},   {"password", FieldType::Password},
};

const std::vector<std::string> kOptionSwitches = {"--ask", "--no-ask", "--now", "--no-now"};
const std::vector<std::string> kOptionValues = {"--items", "--caption", "--formula"};

std::optional<int> typeNamed(const std::string& name)
{
    for (const auto& [typeName, code] : kTypeNames) {
        if (name == typeName) {
            return code;
        }
    }
    return std::nullopt;
}

std::string typeNames()
{
    std::string names;
    for (const auto& [typeName, code] : kTypeNames) {
        names += (names.empty() ? "" : ", ") + std::string(typeName);
    }
    return names;
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

// The structure a field of the type gets from the option flags, starting
// from its current options; nullopt after a message when a flag does not
// fit the type or a formula does not read.
std::optional<PropertyList> structureFromOptions(const CommandArguments& args, const FieldDefinition& field,
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
        {args.option("--items").has_value(), type == FieldType::Choose, "--items", "choose fields"},
        {args.option("--caption").has_value(), type == FieldType::Checkbox, "--caption", "checkbox fields"},
        {args.choice("--ask", "--no-ask").has_value(), type == FieldType::Password, "--ask/--no-ask",
         "password fields"},
        {args.choice("--now", "--no-now").has_value(), FieldTypes::isDateType(type), "--now/--no-now",
         "date, time and date and time fields"},
        {args.option("--formula").has_value(), type == FieldType::Calculation, "--formula",
         "calculation fields"},
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
        const auto text = args.option("--formula");
        if (!text) {
            return field.structure;
        }
        std::string error;
        auto formula = FormulaText::parse(*text, structure, error);
        if (!formula) {
            fail(error);
        }
        return formula;
    }
    StructureEditorState state = StructureEditor::editorState(field);
    if (const auto items = args.option("--items")) {
        state.items = splitItems(*items);
    }
    if (const auto caption = args.option("--caption")) {
        state.caption = *caption;
    }
    state.askPassword = args.choice("--ask", "--no-ask").value_or(state.askPassword);
    state.showNowButton = args.choice("--now", "--no-now").value_or(state.showNowButton);
    return StructureEditor::hasOptions(type) ? structureFromEditor(type, state) : field.structure;
}

// Prints why a structure change was refused; the exit status.
int report(const StructureResult& result, const std::string& otherwise)
{
    if (result.hasAlert()) {
        return fail(result.alert.message);
    }
    return result.done ? 0 : fail(otherwise, DBManager::sharedIstance().lastFailure());
}

std::string describeOptions(const FieldDefinition& field, const std::vector<FieldDefinition>& structure)
{
    const StructureEditorState state = StructureEditor::editorState(field);
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return state.showNowButton ? "now button" : "no now button";
    case FieldType::Choose: {
        std::string items;
        for (const auto& item : state.items) {
            items += (items.empty() ? "" : ", ") + item;
        }
        return "items: " + items;
    }
    case FieldType::Checkbox:
        return "caption: " + state.caption;
    case FieldType::Password:
        return state.askPassword ? "asks for the protection password" : "";
    case FieldType::Calculation:
        if (field.structure.count() == 0) {
            return "";
        }
        return CalculationEngine::hasValidShape(field.structure)
                   ? "formula: " + FormulaText::describe(field.structure, structure)
                   : "formula: Not yet defined.";
    case FieldType::LargeText:
        if (const auto height = LargeTextHeight::storedHeight(field.structure)) {
            return "height: " + std::to_string(static_cast<long long>(*height));
        }
        return "";
    default:
        return "";
    }
}

int listFields(const std::vector<std::string>& raw)
{
    if (raw.size() != 1) {
        return fail("usage: fields NAME");
    }
    CommandDatabase database(raw[0], CommandDatabase::Access::ReadOnly);
    if (!database.isOpen()) {
        return 1;
    }
    const auto& structure = database.db().dbStructure();
    TextTable table({"ID", "Position", "Label", "Type", "Options"}, 60);
    for (std::size_t i = 0; i < structure.size(); ++i) {
        const FieldDefinition& field = structure[i];
        table.addRow({std::to_string(field.id), std::to_string(i + 1), field.name,
                      std::to_string(field.type) + " " + FieldTypes::title(field.type),
                      describeOptions(field, structure)});
    }
    table.print(std::cout);
    return 0;
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

int addField(const std::vector<std::string>& raw)
{
    std::string error;
    std::vector<std::string> options = kOptionValues;
    options.push_back("--at");
    const auto args = CommandArguments::parse(raw, kOptionSwitches, options, error);
    if (!args || args->positional().size() != 3) {
        return fail(args ? "usage: add-field NAME LABEL TYPE [--at POSITION] [options]" : error);
    }
    const std::string& label = args->positional()[1];
    const auto type = typeNamed(args->positional()[2]);
    if (!type) {
        return fail("unknown field type '" + args->positional()[2] + "' (one of " + typeNames() + ")");
    }
    CommandDatabase database(args->positional()[0], CommandDatabase::Access::ReadWrite);
    if (!database.isOpen()) {
        return 1;
    }
    DBManager& db = database.db();
    const std::size_t count = db.dbStructure().size();
    std::size_t index = count;
    if (const auto at = args->option("--at")) {
        const auto chosen = formIndex(*at, count + 1);
        if (!chosen) {
            return 1;
        }
        index = *chosen;
    }
    FieldDefinition prototype{0, label, *type, defaultStructure(*type), 0, 0};
    bool changed = false;
    const auto structure = structureFromOptions(*args, prototype, db.dbStructure(), changed);
    if (!structure) {
        return 1;
    }
    StructureEditor editor(db);
    const StructureResult result = editor.addField(label, *type, *structure, index);
    if (result.done) {
        std::cout << result.fieldId << '\n';
    }
    return report(result, StructureEditor::kAddFieldError);
}

int renameField(const std::vector<std::string>& raw)
{
    if (raw.size() != 3) {
        return fail("usage: rename-field NAME FIELD LABEL");
    }
    CommandDatabase database(raw[0], CommandDatabase::Access::ReadWrite);
    const FieldDefinition* field = database.isOpen() ? database.field(raw[1]) : nullptr;
    if (field == nullptr) {
        return 1;
    }
    StructureEditor editor(database.db());
    return report(editor.renameField(field->id, raw[2]), "the field could not be renamed");
}

int setField(const std::vector<std::string>& raw)
{
    std::string error;
    const auto args = CommandArguments::parse(raw, kOptionSwitches, kOptionValues, error);
    if (!args || args->positional().size() != 2) {
        return fail(args ? "usage: set-field NAME FIELD [options]" : error);
    }
    CommandDatabase database(args->positional()[0], CommandDatabase::Access::ReadWrite);
    const FieldDefinition* field = database.isOpen() ? database.field(args->positional()[1]) : nullptr;
    if (field == nullptr) {
        return 1;
    }
    bool changed = false;
    const auto structure = structureFromOptions(*args, *field, database.db().dbStructure(), changed);
    if (!structure) {
        return 1;
    }
    if (!changed) {
        return fail(
            "nothing to change: give --items, --caption, --ask, --no-ask, --now, --no-now or --formula");
    }
    StructureEditor editor(database.db());
    // A copy: storing the field replaces the definition the label came from.
    const std::string label = field->name;
    return report(editor.saveField(field->id, label, *structure), "the field could not be changed");
}

int moveField(const std::vector<std::string>& raw)
{
    if (raw.size() != 3) {
        return fail("usage: move-field NAME FIELD POSITION");
    }
    CommandDatabase database(raw[0], CommandDatabase::Access::ReadWrite);
    const FieldDefinition* field = database.isOpen() ? database.field(raw[1]) : nullptr;
    if (field == nullptr) {
        return 1;
    }
    const auto& structure = database.db().dbStructure();
    const auto source = static_cast<std::size_t>(field - structure.data());
    if (source == 0) {
        return fail("the first field of the form stays first and cannot be moved");
    }
    const auto target = formIndex(raw[2], structure.size());
    if (!target) {
        return 1;
    }
    if (*target == source) {
        std::cout << "\"" << printableText(field->name) << "\" is already at position " << raw[2] << "\n";
        return 0;
    }
    StructureEditor editor(database.db());
    return report(editor.moveField(source, *target), StructureEditor::kMoveFieldError);
}

int deleteField(const std::vector<std::string>& raw)
{
    std::string error;
    const auto args = CommandArguments::parse(raw, {"--yes"}, {}, error);
    if (!args || args->positional().size() != 2) {
        return fail(args ? "usage: delete-field NAME FIELD --yes" : error);
    }
    CommandDatabase database(args->positional()[0], CommandDatabase::Access::ReadWrite);
    const FieldDefinition* field = database.isOpen() ? database.field(args->positional()[1]) : nullptr;
    if (field == nullptr) {
        return 1;
    }
    if (!args->has("--yes")) {
        return fail("Delete the field and all its data? Add --yes to delete \"" + field->name + "\".");
    }
    StructureEditor editor(database.db());
    return report(editor.deleteField(field->id), StructureEditor::kDeleteFieldError);
}

const CommandRegistration registration(
    40,
    {
        {"fields", "NAME", "a database's fields: id, position, label, type and options", listFields},
        {"add-field",
         "NAME LABEL TYPE [--at POSITION] [--items A,B,...] [--caption TEXT] [--ask|--no-ask] "
         "[--now|--no-now] "
         "[--formula \"Price * Quantity\"]",
         "adds a field and prints its id; TYPE is one of small, large, number, date, time, datetime, image,\n"
         "choose, separator, calculation, email, link, checkbox, password; POSITION counts from 1 (the "
         "first\n"
         "field stays first); a formula joins number fields, named by label, with + - * /",
         addField},
        {"rename-field", "NAME FIELD LABEL",
         "renames a field (FIELD is its label or its id); labels are unique", renameField},
        {"set-field",
         "NAME FIELD [--items A,B,...] [--caption TEXT] [--ask|--no-ask] [--now|--no-now] [--formula F]",
         "changes a field's options; records keep their choices by item text, formulas are recomputed",
         setField},
        {"move-field", "NAME FIELD POSITION", "moves a field to a position of the form (from 2)", moveField},
        {"delete-field", "NAME FIELD --yes", "deletes a field and its values in every record", deleteField},
    });

} // namespace

} // namespace dossiva::cli

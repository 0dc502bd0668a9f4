#include "cli/RecordListing.h"

#include "cli/IsoDateTime.h"
#include "cli/JsonWriter.h"
#include "cli/TextTable.h"
#include "cli/ValueDisplay.h"

#include "fields/DateDisplay.h"
#include "fields/FieldRules.h"
#include "platform/Clock.h"

namespace dossiva::cli {

namespace {

NaturalValue textValue(std::string_view text)
{
    return {NaturalValue::Kind::Text, std::string(text), 0, false};
}

NaturalValue momentValue(std::optional<std::int64_t> seconds)
{
    return seconds ? textValue(IsoDateTime::format(*seconds)) : NaturalValue{};
}

NaturalValue createdValue(const Record& record)
{
    return momentValue(DateDisplay::createdMoment(record));
}

NaturalValue modifiedValue(const Record& record)
{
    return momentValue(DateDisplay::modifiedMoment(record));
}

std::string csvCell(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

void writeJson(JsonWriter& json, const NaturalValue& value)
{
    switch (value.kind) {
    case NaturalValue::Kind::Null:
        json.null();
        break;
    case NaturalValue::Kind::Text:
        json.string(value.text);
        break;
    case NaturalValue::Kind::Integer:
        json.integer(value.number);
        break;
    case NaturalValue::Kind::Boolean:
        json.boolean(value.flag);
        break;
    }
}

} // namespace

std::string NaturalValue::cellText() const
{
    switch (kind) {
    case Kind::Text:
        return text;
    case Kind::Integer:
        return std::to_string(number);
    case Kind::Boolean:
        return flag ? "true" : "false";
    default:
        return {};
    }
}

NaturalValue naturalValue(const FieldDefinition& field, const FieldValue* value)
{
    if (value == nullptr) {
        return {};
    }
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return momentValue(DateDisplay::storedMoment(field.type, *value, Clock::nowSeconds()));
    case FieldType::Image:
        return {NaturalValue::Kind::Integer, {}, value->integer(), false};
    case FieldType::Choose: {
        const auto items = choiceItems(field.structure);
        const std::int64_t index = value->integer();
        if (index < 0 || static_cast<std::uint64_t>(index) >= items.size()) {
            return {};
        }
        return textValue(items[static_cast<std::size_t>(index)]);
    }
    case FieldType::Checkbox:
        return {NaturalValue::Kind::Boolean, {}, 0, isCheckboxTrue(value->text())};
    default:
        return textValue(value->text());
    }
}

RecordListing::RecordListing(const std::vector<FieldDefinition>& structure,
                             const std::vector<const Record*>& records)
    : m_records(records)
{
    for (const auto& field : structure) {
        if (field.type != FieldType::Separator) {
            m_columns.push_back(&field);
        }
    }
}

void RecordListing::printTable(std::ostream& out) const
{
    std::vector<std::string> header{"RECID"};
    for (const FieldDefinition* field : m_columns) {
        header.push_back(field->name);
    }
    header.insert(header.end(), {"Created", "Modified"});
    TextTable table(header, 30);
    const DateFormat recordDates = DateDisplay::recordDateFormat();
    for (const Record* record : m_records) {
        std::vector<std::string> row{std::to_string(record->recordId)};
        for (const FieldDefinition* field : m_columns) {
            row.push_back(displayValue(*field, record->value(field->id)));
        }
        row.push_back(DateDisplay::recordDateText(recordDates, DateDisplay::createdMoment(*record)));
        row.push_back(DateDisplay::recordDateText(recordDates, DateDisplay::modifiedMoment(*record)));
        table.addRow(std::move(row));
    }
    table.print(out);
}

void RecordListing::printCsv(std::ostream& out) const
{
    std::string line = "RECID";
    for (const FieldDefinition* field : m_columns) {
        line += "," + csvCell(field->name);
    }
    out << line << ",created,modified\n";
    for (const Record* record : m_records) {
        line = std::to_string(record->recordId);
        for (const FieldDefinition* field : m_columns) {
            line += "," + csvCell(naturalValue(*field, record->value(field->id)).cellText());
        }
        line += "," + csvCell(createdValue(*record).cellText()) + "," +
                csvCell(modifiedValue(*record).cellText());
        out << line << '\n';
    }
}

void RecordListing::printJson(std::ostream& out) const
{
    JsonWriter json(out);
    json.beginArray();
    for (const Record* record : m_records) {
        json.beginObject();
        json.key("RECID");
        json.integer(record->recordId);
        for (const FieldDefinition* field : m_columns) {
            json.key(field->name);
            writeJson(json, naturalValue(*field, record->value(field->id)));
        }
        json.key("created");
        writeJson(json, createdValue(*record));
        json.key("modified");
        writeJson(json, modifiedValue(*record));
        json.endObject();
    }
    json.endArray();
}

} // namespace dossiva::cli

#include "cli/RecordListing.h"

#include "cli/FieldTypeNames.h"
#include "cli/IsoDateTime.h"
#include "cli/TextTable.h"
#include "cli/ValueDisplay.h"

#include "csv/CsvOutputFile.h"
#include "fields/FieldRules.h"
#include "fields/TextNumbers.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <cstring>
#include <regex>
#include <set>

namespace dossiva::cli {

namespace {

using Json = nlohmann::ordered_json;

std::optional<std::int64_t> storedMoment(std::string_view seconds)
{
    return seconds.empty() ? std::nullopt : std::optional<std::int64_t>(leadingInteger(seconds));
}

std::optional<std::int64_t> momentOf(const FieldDefinition& field, const FieldValue& value)
{
    if (field.type == FieldType::DateTime) {
        return combineDateTime(value.datePart(), value.timePart(), Clock::nowSeconds());
    }
    return storedMoment(value.text());
}

std::optional<std::int64_t> createdOf(const Record& record)
{
    return storedMoment(record.created);
}

// "0" is a record never modified.
std::optional<std::int64_t> modifiedOf(const Record& record)
{
    const auto seconds = storedMoment(record.modified);
    return seconds == 0 ? std::nullopt : seconds;
}

// Text that is a number as JSON writes one ("12", "-1.5", "2e3").
bool isJsonNumber(const std::string& text)
{
    static const std::regex number(R"(-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?)");
    return std::regex_match(text, number);
}

std::string choice(const FieldDefinition& field, const FieldValue& value)
{
    const auto items = choiceItems(field.structure);
    const std::int64_t index = value.integer();
    return index >= 0 && static_cast<std::uint64_t>(index) < items.size()
               ? items[static_cast<std::size_t>(index)]
               : std::string();
}

// Whether the eight bytes at `bytes` go into a JSON string as they are: no
// control, DEL, '"', '\\' or byte beyond ASCII among them. Most text is
// such runs, and eight bytes are judged at once.
bool allPlain(const char* bytes)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    // Exact as a whole once no byte is beyond ASCII, which the first term
    // alone tells.
    const auto anyZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    const std::uint64_t notPlain = (word & kHighs) | ((word - kOnes * 0x20) & ~word & kHighs) |
                                   ((word + kOnes) & kHighs) | anyZero(word ^ (kOnes * '"')) |
                                   anyZero(word ^ (kOnes * '\\'));
    return notPlain == 0;
}

// \u00XX, for a control character of code XX.
void appendControlEscape(std::string& out, unsigned code)
{
    static const char* digits = "0123456789abcdef";
    out += "\\u00";
    out += digits[code >> 4];
    out += digits[code & 0xf];
}

// JSON writes text as it is, C1 controls and DEL included; escaped, they
// cannot drive the terminal the output is shown on, and the JSON means the
// same.
std::string terminalSafe(const std::string& json)
{
    std::string safe;
    safe.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (byte == 0x7f || (byte == 0xc2 && next >= 0x80 && next <= 0x9f)) {
            const unsigned code = byte == 0x7f ? byte : next;
            appendControlEscape(safe, code);
            i += byte == 0x7f ? 0 : 1;
        } else {
            safe.push_back(static_cast<char>(byte));
        }
    }
    return safe;
}

// How a byte goes into a JSON string: as it is, escaped, or (beyond ASCII)
// through the JSON library. One table look-up a byte, as listings pass
// every byte of the database through here.
enum class JsonByte : unsigned char { Plain, Escaped, Beyond };

constexpr std::array<JsonByte, 256> jsonByteTable()
{
    std::array<JsonByte, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        table[byte] = byte >= 0x80                                                 ? JsonByte::Beyond
                      : byte < 0x20 || byte == 0x7f || byte == '"' || byte == '\\' ? JsonByte::Escaped
                                                                                   : JsonByte::Plain;
    }
    return table;
}

constexpr std::array<JsonByte, 256> kJsonBytes = jsonByteTable();

// An escaped ASCII character as the JSON library writes it, made
// terminalSafe: the two-letter escapes it knows, \u00XX for other controls
// and DEL.
void appendAsciiEscape(std::string& out, char c)
{
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\t':
        out += "\\t";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\r':
        out += "\\r";
        return;
    default:
        appendControlEscape(out, static_cast<unsigned char>(c));
        return;
    }
}

// A JSON string, appended, written as the JSON library writes it and then
// made terminalSafe. Well-formed text is escaped here in one pass; text
// that is not UTF-8 goes through the library, which mends it.
void appendJsonString(std::string& out, std::string_view text)
{
    const std::size_t start = out.size();
    out += '"';
    std::size_t plainFrom = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= 8 && allPlain(text.data() + i)) {
            i += 8;
            continue;
        }
        const JsonByte kind = kJsonBytes[static_cast<unsigned char>(text[i])];
        if (kind == JsonByte::Plain) {
            ++i;
        } else if (kind == JsonByte::Escaped) {
            out.append(text.substr(plainFrom, i - plainFrom));
            appendAsciiEscape(out, text[i]);
            plainFrom = ++i;
        } else if (const std::size_t length = utf8SequenceLength(text, i); length == 0) {
            out.resize(start);
            out += terminalSafe(Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace));
            return;
        } else if (isC1Control(text.substr(i, length))) {
            out.append(text.substr(plainFrom, i - plainFrom));
            appendControlEscape(out, static_cast<unsigned char>(text[i + 1]));
            plainFrom = i += length;
        } else {
            i += length;
        }
    }
    out.append(text.substr(plainFrom));
    out += '"';
}

std::string jsonString(std::string_view text)
{
    std::string quoted;
    appendJsonString(quoted, text);
    return quoted;
}

// Text, or null for none.
void appendTextJson(std::string& out, std::string_view text)
{
    if (text.empty()) {
        out += "null";
    } else {
        appendJsonString(out, text);
    }
}

void appendMomentJson(std::string& out, std::optional<std::int64_t> seconds)
{
    if (seconds) {
        appendJsonString(out, IsoDateTime::format(*seconds));
    } else {
        out += "null";
    }
}

// Moments as JSON, the last one remembered: records made together (by an
// import) share their creation second, and each text costs a look-up of
// the time zone.
class MomentJson {
public:
    void append(std::string& out, std::optional<std::int64_t> seconds)
    {
        if (!m_made || seconds != m_seconds) {
            m_json.clear();
            appendMomentJson(m_json, seconds);
            m_seconds = seconds;
            m_made = true;
        }
        out += m_json;
    }

private:
    bool m_made = false;
    std::optional<std::int64_t> m_seconds;
    std::string m_json;
};

constexpr std::size_t kChunk = 1 << 16;

} // namespace

RecordListing::RecordListing(std::string packageName, const std::vector<FieldDefinition>& structure,
                             const std::vector<const Record*>& records)
    : m_packageName(std::move(packageName)), m_records(records)
{
    for (const auto& field : structure) {
        if (field.type != FieldType::Separator) {
            m_columns.push_back(&field);
        }
    }
}

void RecordListing::printTable(std::ostream& out, std::optional<std::size_t> width) const
{
    std::vector<TextTable::Column> columns{{"RECID", TextTable::Fit::Whole}};
    for (const FieldDefinition* field : m_columns) {
        columns.push_back({field->name});
    }
    columns.push_back({"Created", TextTable::Fit::Whole});
    columns.push_back({"Modified", TextTable::Fit::Whole});
    TextTable table(std::move(columns));
    for (const Record* record : m_records) {
        std::vector<std::string> row{std::to_string(record->recordId)};
        for (const FieldDefinition* field : m_columns) {
            row.push_back(displayValue(*field, record->value(field->id)));
        }
        row.push_back(displayDate(createdOf(*record).value_or(-1)));
        row.push_back(displayDate(modifiedOf(*record).value_or(-1)));
        table.addRow(std::move(row));
    }
    table.print(out, width);
}

void RecordListing::printCsv(std::ostream& out) const
{
    const auto appendCell = [this](std::string& row, const FieldDefinition& field, const FieldValue* value) {
        if (value == nullptr) {
            return;
        }
        switch (field.type) {
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime: {
            const auto seconds = momentOf(field, *value);
            CsvOutputFile::appendQuoted(row, seconds ? IsoDateTime::format(*seconds) : std::string());
            return;
        }
        case FieldType::Image:
            CsvOutputFile::appendQuoted(row, value->integer() > 0
                                                 ? Paths::imageFile(m_packageName, value->integer())
                                                 : std::string());
            return;
        case FieldType::Choose:
            CsvOutputFile::appendQuoted(row, choice(field, *value));
            return;
        case FieldType::Checkbox:
            row += isCheckboxTrue(value->text()) ? '1' : '0';
            return;
        default:
            CsvOutputFile::appendQuoted(row, value->text());
            return;
        }
    };
    std::string chunk;
    for (const FieldDefinition* field : m_columns) {
        if (!chunk.empty()) {
            chunk += ',';
        }
        CsvOutputFile::appendQuoted(chunk, field->name);
    }
    chunk += '\n';
    // Written a block at a time, as the JSON is.
    for (const Record* record : m_records) {
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            if (i > 0) {
                chunk += ',';
            }
            appendCell(chunk, *m_columns[i], record->value(m_columns[i]->id));
        }
        chunk += '\n';
        if (chunk.size() >= kChunk) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk;
}

void RecordListing::printJson(std::ostream& out) const
{
    using namespace std::literals;
    const auto appendValue = [this](std::string& json, const FieldDefinition& field,
                                    const FieldValue* value) {
        if (value == nullptr) {
            json += "null";
            return;
        }
        switch (field.type) {
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime:
            appendMomentJson(json, momentOf(field, *value));
            return;
        case FieldType::Image:
            if (value->integer() > 0) {
                appendJsonString(json, Paths::imageFile(m_packageName, value->integer()));
            } else {
                json += "null";
            }
            return;
        case FieldType::Choose:
            appendTextJson(json, choice(field, *value));
            return;
        case FieldType::Checkbox:
            json += isCheckboxTrue(value->text()) ? "true" : "false";
            return;
        case FieldType::Number:
        case FieldType::Calculation: {
            // A number only when JSON writes it back as the same text, so no
            // digit is lost or changed on the way.
            const std::string text(value->text());
            if (isJsonNumber(text)) {
                try {
                    if (Json::parse(text).dump() == text) {
                        json += text;
                        return;
                    }
                } catch (const Json::exception&) {
                    // Too large for a JSON number: the text says it whole.
                }
            }
            appendTextJson(json, text);
            return;
        }
        default:
            appendTextJson(json, value->text());
            return;
        }
    };
    // Labels are unique; a file that breaks the rule loses no value. Each
    // key is written with what comes before it, as every record repeats it.
    std::vector<std::string> keys;
    std::set<std::string> used;
    for (const FieldDefinition* field : m_columns) {
        const std::string key = used.count(field->name)
                                    ? field->name + " (field " + std::to_string(field->id) + ")"
                                    : field->name;
        used.insert(key);
        keys.push_back((keys.empty() ? "\n      " : ",\n      ") + jsonString(key) + ": ");
    }
    // Written record by record, indented as the JSON library indents by
    // two: a document of every record built first would hold the database
    // twice over in memory, and took most of the time.
    if (m_records.empty()) {
        out << "[]\n";
        return;
    }
    MomentJson created;
    MomentJson modified;
    std::string chunk = "[\n";
    for (std::size_t row = 0; row < m_records.size(); ++row) {
        const Record* record = m_records[row];
        if (row > 0) {
            chunk += ",\n";
        }
        chunk += "  {\n    \"RECID\": "sv;
        chunk += std::to_string(record->recordId);
        chunk += ",\n    \"created\": "sv;
        created.append(chunk, createdOf(*record));
        chunk += ",\n    \"modified\": "sv;
        modified.append(chunk, modifiedOf(*record));
        chunk += ",\n    \"fields\": {"sv;
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            chunk += keys[i];
            appendValue(chunk, *m_columns[i], record->value(m_columns[i]->id));
        }
        chunk += m_columns.empty() ? "}\n  }"sv : "\n    }\n  }"sv;
        if (chunk.size() >= kChunk) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk << "\n]\n";
}

void printFieldTable(const std::vector<FieldDefinition>& structure, std::ostream& out,
                     std::optional<std::size_t> width)
{
    TextTable table({{"ID", TextTable::Fit::Whole},
                     {"Position", TextTable::Fit::Whole},
                     {"Label", TextTable::Fit::Whole},
                     {"Type", TextTable::Fit::Whole},
                     {"Options"}});
    for (std::size_t i = 0; i < structure.size(); ++i) {
        const FieldDefinition& field = structure[i];
        table.addRow({std::to_string(field.id), std::to_string(i + 1), field.name, typeWords(field.type),
                      describeOptions(field, structure)});
    }
    table.print(out, width);
}

} // namespace dossiva::cli

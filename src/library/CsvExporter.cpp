#include "library/CsvExporter.h"

#include "csv/CsvOutputFile.h"
#include "fields/FieldRules.h"
#include "fields/TextNumbers.h"
#include "platform/DateFormat.h"
#include "platform/FileManager.h"
#include "storage/DBManager.h"

#include <chrono>
#include <thread>
#include <unordered_map>

namespace dossiva {

namespace {

constexpr const char* kErrorTitle = "An error occured exporting the file";
constexpr const char* kUnexpectedMessage = "Error: unexpected error.";
constexpr const char* kEncodingMessage = "Error: records content doesn't conform with the chosen encoding.";

// Formats stored moments with one pattern, remembering each result: a
// database's dates repeat, and ICU formatting is the slow part of a row.
class MomentCells {
public:
    explicit MomentCells(const char* pattern) : m_format(DateFormat::withPattern(pattern)) {}

    const std::string& cell(std::string_view storedSeconds)
    {
        const std::int64_t seconds = leadingInteger(storedSeconds);
        if (const auto found = m_cells.find(seconds); found != m_cells.end()) {
            return found->second;
        }
        if (m_cells.size() >= kLimit) {
            m_cells.clear();
        }
        return m_cells.emplace(seconds, m_format.format(seconds)).first->second;
    }

private:
    static constexpr std::size_t kLimit = 1 << 16;
    DateFormat m_format;
    std::unordered_map<std::int64_t, std::string> m_cells;
};

// A field that has a column, with what its cells need from its structure.
struct ExportColumn {
    const FieldDefinition* field;
    bool commaBefore;               // every field's cell but the first field's
    std::vector<std::string> items; // choose
    std::string caption;            // checkbox
};

class CellWriter {
public:
    explicit CellWriter(CsvOutputFile& out) : m_out(out) {}

    // False when a choose field has no value.
    bool write(const ExportColumn& column, const FieldValue* value)
    {
        const int type = column.field->type;
        if (type == FieldType::Choose) {
            if (value == nullptr) {
                return false;
            }
            const std::int64_t index =
                value->kind() == FieldValue::Kind::Integer ? value->integer() : leadingInteger(value->text());
            // An index with no item (none is -1) has no text to write.
            const bool known = index >= 0 && static_cast<std::size_t>(index) < column.items.size();
            m_out.appendCell(known ? std::string_view(column.items[static_cast<std::size_t>(index)]) : "");
            return true;
        }
        if (value == nullptr) {
            m_out.appendCell("");
            return true;
        }
        switch (type) {
        case FieldType::Date:
            m_out.appendCell(value->text().empty() ? std::string_view() : m_dates.cell(value->text()));
            break;
        case FieldType::Time:
            m_out.appendCell(value->text().empty() ? std::string_view() : m_times.cell(value->text()));
            break;
        case FieldType::DateTime:
            writeDateTime(*value);
            break;
        case FieldType::Checkbox:
            m_out.appendCell(isCheckboxTrue(value->text()) ? std::string_view(column.caption) : "");
            break;
        default:
            if (value->kind() == FieldValue::Kind::Integer) {
                m_out.appendCell(std::to_string(value->integer()));
            } else {
                m_out.appendCell(value->text());
            }
            break;
        }
        return true;
    }

private:
    void writeDateTime(const FieldValue& value)
    {
        std::string_view date = value.datePart();
        std::string_view time = value.timePart();
        if (value.kind() != FieldValue::Kind::DateTime) {
            const std::string_view text = value.text();
            const auto comma = text.find(',');
            date = text.substr(0, comma);
            time = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        }
        m_scratch = date.empty() ? std::string() : m_dates.cell(date);
        if (!time.empty()) {
            m_scratch += ' ';
            m_scratch += m_times.cell(time);
        }
        m_out.appendCell(m_scratch);
    }

    CsvOutputFile& m_out;
    MomentCells m_dates{"d MMMM yyyy"};
    MomentCells m_times{"HH:mm"};
    std::string m_scratch;
};

std::vector<ExportColumn> exportColumns(const std::vector<FieldDefinition>& structure)
{
    std::vector<ExportColumn> columns;
    for (std::size_t i = 0; i < structure.size(); ++i) {
        const FieldDefinition& field = structure[i];
        if (field.type == FieldType::Image || field.type == FieldType::Separator) {
            continue;
        }
        ExportColumn column{&field, i > 0, {}, {}};
        if (field.type == FieldType::Choose) {
            column.items = choiceItems(field.structure);
        } else if (field.type == FieldType::Checkbox) {
            if (const PropertyList* caption = field.structure.find("Caption")) {
                column.caption = caption->toString();
            }
        }
        columns.push_back(std::move(column));
    }
    return columns;
}

} // namespace

CsvExporter::CsvExporter(Alerts& alerts) : m_alerts(alerts)
{
}

bool CsvExporter::exportCSVFile(const std::string& path, TextEncoding encoding, bool fieldsLabel,
                                const std::optional<std::vector<RecordId>>& selectedRecords)
{
    const std::string name = FileManager::deletingPathExtension(DBManager::sharedIstance().dbName());
    m_alerts.beginProgress("Exporting", "Exporting " + name + " database...");
    Failure why;
    const Outcome outcome = write(path, encoding, fieldsLabel, selectedRecords, why);
    if (outcome != Outcome::Written) {
        m_alerts.endProgress();
        m_alerts.ask({kErrorTitle,
                      outcome == Outcome::Unencodable ? kEncodingMessage : kUnexpectedMessage,
                      {"OK"},
                      false,
                      {},
                      outcome == Outcome::Unexpected ? why.reason : std::string()});
        return false;
    }
    m_alerts.finishProgress("Success", "Database " + name + " exported successfully");
    return true;
}

CsvExporter::Outcome CsvExporter::write(const std::string& path, TextEncoding encoding, bool fieldsLabel,
                                        const std::optional<std::vector<RecordId>>& selectedRecords,
                                        Failure& why)
{
    const DBManager& db = DBManager::sharedIstance();
    const std::vector<ExportColumn> columns = exportColumns(db.dbStructure());
    CsvOutputFile out(encoding);
    if (!out.open(path)) {
        why = out.failure();
        return Outcome::Unexpected;
    }
    const auto outcomeOf = [&out, &why](CsvOutputFile::Result result) {
        why = out.failure();
        return result == CsvOutputFile::Result::Unencodable ? Outcome::Unencodable : Outcome::Unexpected;
    };

    if (fieldsLabel) {
        for (const auto& column : columns) {
            if (column.commaBefore) {
                out.appendComma();
            }
            out.appendCell(column.field->name);
        }
        if (const auto result = out.endRow(); result != CsvOutputFile::Result::Ok) {
            return outcomeOf(result);
        }
    }

    CellWriter cells(out);
    const auto writeRecord = [&](const Record& record) -> std::optional<Outcome> {
        for (const auto& column : columns) {
            if (column.commaBefore) {
                out.appendComma();
            }
            if (!cells.write(column, record.value(column.field->id))) {
                return Outcome::Unexpected;
            }
        }
        if (const auto result = out.endRow(); result != CsvOutputFile::Result::Ok) {
            return outcomeOf(result);
        }
        return std::nullopt;
    };

    if (selectedRecords) {
        std::unordered_map<RecordId, const Record*> byId;
        byId.reserve(db.dbData().size());
        for (const auto& record : db.dbData()) {
            byId.emplace(record.recordId, &record);
        }
        for (const RecordId id : *selectedRecords) {
            const auto found = byId.find(id);
            if (found == byId.end()) {
                return Outcome::Unexpected;
            }
            if (const auto failed = writeRecord(*found->second)) {
                return *failed;
            }
        }
    } else {
        for (const auto& record : db.dbData()) {
            if (const auto failed = writeRecord(record)) {
                return *failed;
            }
        }
    }
    const auto result = out.close();
    return result == CsvOutputFile::Result::Ok ? Outcome::Written : outcomeOf(result);
}

} // namespace dossiva

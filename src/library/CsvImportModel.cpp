#include "library/CsvImportModel.h"

#include "csv/CsvText.h"
#include "fields/FieldModel.h"
#include "library/CsvImporter.h"

#include <algorithm>

namespace dossiva {

std::optional<int> CsvImportModel::typeCodeForIndex(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= kTypeCodes.size()) {
        return std::nullopt;
    }
    return kTypeCodes[static_cast<std::size_t>(index)];
}

int CsvImportModel::indexForTypeCode(int type)
{
    const auto found = std::find(kTypeCodes.begin(), kTypeCodes.end(), type);
    return found == kTypeCodes.end() ? -1 : static_cast<int>(found - kTypeCodes.begin());
}

CsvImportModel::CsvImportModel(UserDefaults& defaults) : m_defaults(defaults)
{
}

CsvReadStatus CsvImportModel::displayName(const std::string& path, std::optional<int> encodingTag)
{
    m_path = path;
    m_fieldsLabel = false;
    if (const auto settings = m_defaults.object(kSettingsKey)) {
        if (const PropertyList* labels = settings->find("labels")) {
            m_fieldsLabel = labels->toInteger() != 0;
        }
    }
    return read(encodingTag ? CsvText::encodingForTag(*encodingTag) : std::nullopt);
}

CsvReadStatus CsvImportModel::encoding(int tag)
{
    const auto chosen = CsvText::encodingForTag(tag);
    if (!chosen || tag == m_currentEncoding) {
        return m_status;
    }
    return read(chosen);
}

CsvReadStatus CsvImportModel::format(CsvSeparator separator)
{
    m_reader.setSeparator(separator);
    return read(CsvText::encodingForTag(m_currentEncoding));
}

CsvReadStatus CsvImportModel::read(std::optional<TextEncoding> encoding)
{
    m_status = m_reader.importCSVFile(m_path, encoding, m_largestFile);
    m_currentEncoding = CsvText::tagForEncoding(m_reader.usedEncoding());
    m_currentRecord = 0;
    return m_status;
}

std::string CsvImportModel::statusMessage() const
{
    switch (m_status) {
    case CsvReadStatus::Undecodable:
    case CsvReadStatus::NoData:
        return "There is not readable data for the specified format. Please try to specify a different "
               "format or "
               "encoding.";
    case CsvReadStatus::ReadError:
        return "Unexpected error.";
    case CsvReadStatus::Refused:
        return m_reader.refusal().message;
    case CsvReadStatus::Done:
        break;
    }
    return {};
}

void CsvImportModel::fieldsLabel(bool on)
{
    m_fieldsLabel = on;
    const std::size_t records = recordCount();
    m_currentRecord = records == 0 ? 0 : std::min(m_currentRecord, records - 1);
}

std::size_t CsvImportModel::recordCount() const
{
    const std::size_t rows = m_reader.data().size();
    return rows > firstRecordRow() ? rows - firstRecordRow() : 0;
}

std::size_t CsvImportModel::numberOfRows() const
{
    return recordCount() == 0 ? 0 : m_reader.structure().size();
}

bool CsvImportModel::isMainField(std::size_t row) const
{
    return type(row) == FieldType::Main;
}

std::string CsvImportModel::name(std::size_t row) const
{
    if (row >= m_reader.structure().size()) {
        return {};
    }
    return m_fieldsLabel ? std::string(m_reader.data().cell(0, row)) : m_reader.structure()[row].name;
}

int CsvImportModel::type(std::size_t row) const
{
    return row < m_reader.structure().size() ? m_reader.structure()[row].type : -1;
}

std::string CsvImportModel::previewValue(std::size_t row)
{
    if (row >= m_reader.structure().size() || recordCount() == 0) {
        return {};
    }
    return m_converter.previewText(type(row), m_reader.data().cell(firstRecordRow() + m_currentRecord, row));
}

bool CsvImportModel::shouldEditTableColumn(CsvPreviewColumn column, std::size_t row) const
{
    if (row >= numberOfRows()) {
        return false;
    }
    switch (column) {
    case CsvPreviewColumn::MainMarker:
        return true;
    case CsvPreviewColumn::Name:
        return !m_fieldsLabel;
    case CsvPreviewColumn::Type:
        return !isMainField(row);
    case CsvPreviewColumn::Value:
        break;
    }
    return false;
}

void CsvImportModel::setMainField(std::size_t row)
{
    auto& structure = m_reader.structure();
    if (row >= structure.size() || structure[row].type == FieldType::Main) {
        return;
    }
    for (auto& field : structure) {
        if (field.type == FieldType::Main) {
            field.type = FieldType::SmallText;
        }
    }
    structure[row].type = FieldType::Main;
}

bool CsvImportModel::setName(std::size_t row, const std::string& name)
{
    if (m_fieldsLabel || row >= m_reader.structure().size()) {
        return false;
    }
    m_reader.structure()[row].name = name;
    return true;
}

bool CsvImportModel::setType(std::size_t row, int type)
{
    if (row >= m_reader.structure().size() || isMainField(row) || indexForTypeCode(type) < 0) {
        return false;
    }
    m_reader.structure()[row].type = type;
    return true;
}

bool CsvImportModel::setTypeIndex(std::size_t row, int index)
{
    const auto type = typeCodeForIndex(index);
    return type && setType(row, *type);
}

std::string CsvImportModel::caption() const
{
    const std::size_t records = recordCount();
    if (records == 0) {
        return "Empty";
    }
    return "Preview of record " + std::to_string(m_currentRecord + 1) + " of " + std::to_string(records);
}

void CsvImportModel::recordNavigation(int segment)
{
    if (segment == 0 && canShowPrevious()) {
        --m_currentRecord;
    } else if (segment == 1 && canShowNext()) {
        ++m_currentRecord;
    }
}

std::vector<CsvProposedField> CsvImportModel::importColumns() const
{
    std::vector<CsvProposedField> columns;
    for (std::size_t row = 0; row < m_reader.structure().size(); ++row) {
        columns.push_back({name(row), type(row)});
    }
    return columns;
}

std::optional<std::string> CsvImportModel::import(Alerts& alerts, const std::string& dbName)
{
    if (!importEnabled()) {
        return std::nullopt;
    }
    auto imported = CsvImporter(alerts).import(dbName, importColumns(), m_reader.data(), firstRecordRow());
    if (!imported) {
        return std::nullopt;
    }
    storeSettings();
    m_importReport = std::move(imported->report);
    return std::move(imported->package);
}

void CsvImportModel::storeSettings()
{
    m_defaults.set(kSettingsKey, PropertyList(PropertyList::Dictionary{
                                     {"labels", PropertyList(std::int64_t{m_fieldsLabel ? 1 : 0})}}));
}

} // namespace dossiva

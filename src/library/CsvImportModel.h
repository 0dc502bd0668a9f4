#pragma once

#include "csv/CsvReader.h"
#include "csv/CsvValueConverter.h"
#include "library/CsvImporter.h"
#include "platform/Alerts.h"
#include "platform/UserDefaults.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// Columns of the import window's table of proposed fields.
enum class CsvPreviewColumn { MainMarker = 0, Name = 1, Type = 2, Value = 3 };

// What the CSV import window shows and lets the user change, without the
// window: the file read in the chosen encoding and separator, the proposed
// fields (which is the main field, their names and types), a preview of one
// record at a time, and the import itself. The window only displays this and
// passes the user's actions on.
class CsvImportModel {
public:
    static constexpr const char* kSettingsKey = "csv import";

    // The window's type pop-up, by index.
    static constexpr const std::array<int, 10>& kTypeCodes = CsvImporter::kColumnTypes;
    static std::optional<int> typeCodeForIndex(int index);
    // The pop-up index of a type, or -1 (the main field's type has none).
    static int indexForTypeCode(int type);

    explicit CsvImportModel(UserDefaults& defaults = UserDefaults::standard());

    // -- Reading ------------------------------------------------------------

    // Opens the file: restores the first-row check box from the settings and
    // reads with the encoding its byte-order mark suggests, or with the
    // encoding of the tag when one is given.
    CsvReadStatus displayName(const std::string& path, std::optional<int> encodingTag = std::nullopt);
    // A separator to read with from the start instead of guessing one.
    void presetSeparator(CsvSeparator separator) { m_reader.setSeparator(separator); }
    // Files larger than this are refused (CsvReader::kDefaultLargestFile
    // unless set).
    void setLargestFile(std::uint64_t bytes) { m_largestFile = bytes; }
    // The encoding pop-up changed: reads again when the tag differs from the
    // one last used.
    CsvReadStatus encoding(int tag);
    // The separator matrix changed: reads again with it.
    CsvReadStatus format(CsvSeparator separator);

    const std::string& path() const { return m_path; }
    CsvReadStatus status() const { return m_status; }
    // "" when the file was read; otherwise what the window shows instead of
    // the table.
    std::string statusMessage() const;
    int currentEncoding() const { return m_currentEncoding; }
    CsvSeparator separator() const { return m_reader.separator(); }
    const CsvReader& reader() const { return m_reader; }

    // -- First row as labels ------------------------------------------------

    void fieldsLabel(bool on);
    bool labelsOn() const { return m_fieldsLabel; }

    // -- Table of proposed fields -------------------------------------------

    // One line per proposed field; none when there is no record to import.
    std::size_t numberOfRows() const;
    bool isMainField(std::size_t row) const;
    // The first row's value with labels on, else the proposed name.
    std::string name(std::size_t row) const;
    int type(std::size_t row) const;
    int typeIndex(std::size_t row) const { return indexForTypeCode(type(row)); }
    // The previewed record's value of the field, as the field would show it.
    std::string previewValue(std::size_t row);
    bool shouldEditTableColumn(CsvPreviewColumn column, std::size_t row) const;

    // Makes the field the main field; the former main field becomes small text.
    void setMainField(std::size_t row);
    // False when names come from the first row or the row does not exist.
    bool setName(std::size_t row, const std::string& name);
    // False for the main field and for a type the pop-up does not offer.
    bool setType(std::size_t row, int type);
    bool setTypeIndex(std::size_t row, int index);

    // -- Preview ------------------------------------------------------------

    // The rows, less the first when it holds the labels.
    std::size_t recordCount() const;
    std::size_t currentDisplayingRecord() const { return m_currentRecord; }
    // "Preview of record %d of %d", or "Empty".
    std::string caption() const;
    bool canShowPrevious() const { return m_currentRecord > 0; }
    bool canShowNext() const { return m_currentRecord + 1 < recordCount(); }
    // Segment 0 shows the previous record, segment 1 the next.
    void recordNavigation(int segment);
    bool importEnabled() const { return recordCount() > 0; }

    // -- Import and settings ------------------------------------------------

    // The fields the database gets, in column order, with their final names.
    std::vector<CsvProposedField> importColumns() const;
    // Makes the database; the new package's name, or nullopt (the user has
    // been told why).
    std::optional<std::string> import(Alerts& alerts, const std::string& dbName);
    // The values the last successful import could not read.
    const CsvImportReport& importReport() const { return m_importReport; }
    // Stores the first-row check box under "csv import".
    void storeSettings();
    // The window closes without importing.
    void cancel() { storeSettings(); }

private:
    CsvReadStatus read(std::optional<TextEncoding> encoding);
    std::size_t firstRecordRow() const { return m_fieldsLabel ? 1 : 0; }

    UserDefaults& m_defaults;
    CsvReader m_reader;
    CsvValueConverter m_converter;
    std::string m_path;
    CsvReadStatus m_status = CsvReadStatus::NoData;
    std::uint64_t m_largestFile = CsvReader::kDefaultLargestFile;
    int m_currentEncoding = 1;
    bool m_fieldsLabel = false;
    std::size_t m_currentRecord = 0;
    CsvImportReport m_importReport;
};

} // namespace dossiva

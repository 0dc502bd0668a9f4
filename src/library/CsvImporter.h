#pragma once

#include "csv/CsvImportReport.h"
#include "csv/CsvReader.h"
#include "fields/FieldModel.h"
#include "platform/Alerts.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// Makes a new database from the columns and rows of a CSV file: the package
// from the empty base, one field per column (the main column renames the
// base's main field, the others are added in column order), and one record
// per row, all inserted in one transaction. A database that cannot be made
// completely is removed again.
//
// A value its field cannot read (a word in a date column) is stored empty
// and reported: the success message says how many of which column, and
// where.
class CsvImporter {
public:
    // The types a column other than the main one can be imported as, in the
    // order the import window offers them: small text, large text, number,
    // time, date, date and time, e-mail, link, checkbox, password.
    static constexpr std::array<int, 10> kColumnTypes = {1, 2, 3, 5, 4, 6, 14, 15, 16, 17};
    static bool importsType(int type);

    explicit CsvImporter(Alerts& alerts) : m_alerts(alerts) {}

    struct Imported {
        std::string package; // NAME.dossiva, for the library to register
        CsvImportReport report;
    };

    // Imports rows[firstRecord...] into the database `name`, with fields
    // named and typed by `columns`: one of type 0, the main field (else the
    // first column is), the others of the types above (else small text).
    // Returns nullopt when the name is refused or taken, or the import
    // failed; the user has been told why.
    std::optional<Imported> import(const std::string& name, const std::vector<CsvProposedField>& columns,
                                   const CsvRows& rows, std::size_t firstRecord);

private:
    // The package's pictures folder and database from the empty base, in the
    // staging folder `package` names, opened.
    bool createPackage(const std::string& package);
    // The database's fields, in form order: the main column's, then the
    // other columns' in their order; `order` gets the column of each.
    bool createFields(const std::vector<CsvProposedField>& columns, std::vector<FieldKey>& fields,
                      std::vector<std::size_t>& order);
    bool insertRecords(const std::vector<CsvProposedField>& columns, const std::vector<FieldKey>& fields,
                       const std::vector<std::size_t>& order, const CsvRows& rows, std::size_t firstRecord,
                       CsvImportReport& report);

    Alerts& m_alerts;
};

} // namespace dossiva

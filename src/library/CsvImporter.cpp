#include "library/CsvImporter.h"

#include "csv/CsvValueConverter.h"
#include "library/LibraryNames.h"
#include "platform/Clock.h"
#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/PackageSwap.h"

#include <algorithm>
#include <new>

namespace dossiva {

namespace {

constexpr std::string_view kPackageExtension = ".dossiva";

std::string quotedName(const std::string& name)
{
    return "\"" + name + "\"";
}

PropertyList structureFor(int type)
{
    switch (type) {
    case FieldType::Checkbox:
        return PropertyList(PropertyList::Dictionary{{"Caption", PropertyList(std::string())}});
    case FieldType::Password:
        return PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(true)}});
    default:
        return PropertyList::array();
    }
}

} // namespace

bool CsvImporter::importsType(int type)
{
    return std::find(kColumnTypes.begin(), kColumnTypes.end(), type) != kColumnTypes.end();
}

std::optional<CsvImporter::Imported> CsvImporter::import(const std::string& name,
                                                         const std::vector<CsvProposedField>& columns,
                                                         const CsvRows& rows, std::size_t firstRecord)
{
    if (!isAcceptableLibraryName(name)) {
        m_alerts.inform("Warning", refusedNameMessage(name));
        return std::nullopt;
    }
    const std::string package = name + std::string(kPackageExtension);
    if (FileManager::exists(Paths::packagePath(package))) {
        // Nothing is written; the user picks another name and tries again.
        m_alerts.ask({"A database " + quotedName(name) + " already exist",
                      "A Database " + quotedName(name) +
                          " already exists.\nPlease enter a new name for the database to be created.",
                      {"OK"}});
        return std::nullopt;
    }

    m_alerts.beginProgress("Importing", "Importing " + name + " database...");
    DBManager& db = DBManager::sharedIstance();
    // The package is built in a hidden staging folder beside the library's
    // packages and moved in whole: an import that is stopped half-way never
    // shows as a database, and the clean-up of interrupted work removes it.
    const FileLock lock = FileLock::acquire(Paths::dataTreeLockFile(), FileLock::Mode::Shared);
    const auto staging = FileManager::makeSiblingFolder(Paths::packagePath(package), "import");
    bool imported = false;
    std::string reason;
    CsvImportReport report;
    if (!staging) {
        reason = FileManager::lastFailure().reason;
    } else {
        try {
            const std::string stagedName = FileManager::lastPathComponent(*staging);
            std::vector<FieldKey> fields;
            std::vector<std::size_t> order;
            imported = createPackage(stagedName) && createFields(columns, fields, order) &&
                       insertRecords(columns, fields, order, rows, firstRecord, report);
            reason = db.lastFailure() ? db.lastFailure().reason : FileManager::lastFailure().reason;
        } catch (const std::bad_alloc&) {
            reason = "there is not enough memory";
        }
        db.openDB();
        if (imported &&
            !(PackageSwap::flush(*staging) && FileManager::moveItem(*staging, Paths::packagePath(package)))) {
            imported = false;
            reason = FileManager::lastFailure().reason;
        }
        if (imported && !PackageSwap::flushFolder(Paths::databasesFolder())) {
            // The package is in place and whole; only its new name may not
            // have reached the disk yet.
            devLog("CSV: the library folder could not be written to the disk after the import of " + name);
        }
        if (!imported) {
            FileManager::removeItem(*staging);
        }
    }
    if (!imported) {
        m_alerts.endProgress();
        m_alerts.inform("Warning", "Error during import of " + name + " database", reason);
        return std::nullopt;
    }
    m_alerts.endProgress();
    const std::string success = "Database " + name + " imported successfully";
    m_alerts.inform("Success", report.empty() ? success : success + "\n\n" + report.text());
    return Imported{package, std::move(report)};
}

bool CsvImporter::createPackage(const std::string& package)
{
    DBManager& db = DBManager::sharedIstance();
    if (!FileManager::createDirectory(Paths::imagesFolder(package)) ||
        !FileManager::copyItem(Paths::emptyBaseDatabase(), Paths::databaseFile(package))) {
        devLog("CSV: " + FileManager::lastFailure().reason);
        return false;
    }
    return db.openDB(package) && !db.dbStructure().empty() && db.createGeneralInfoTable();
}

bool CsvImporter::createFields(const std::vector<CsvProposedField>& columns, std::vector<FieldKey>& fields,
                               std::vector<std::size_t>& order)
{
    if (columns.empty()) {
        return false;
    }
    const auto mainColumn = std::find_if(columns.begin(), columns.end(), [](const CsvProposedField& column) {
        return column.type == FieldType::Main;
    });
    const std::size_t main =
        mainColumn == columns.end() ? 0 : static_cast<std::size_t>(mainColumn - columns.begin());

    DBManager& db = DBManager::sharedIstance();
    const FieldId mainId = db.dbStructure().front().id;
    if (!db.setdbFieldLabel(columns[main].name, mainId, PropertyList::array())) {
        return false;
    }
    fields.push_back({mainId, FieldType::Main});
    order.push_back(main);
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (column == main) {
            continue;
        }
        const int type = importsType(columns[column].type) ? columns[column].type : FieldType::SmallText;
        const FieldId id = db.adddbFieldLabel(columns[column].name, type, structureFor(type));
        if (id < 0) {
            return false;
        }
        fields.push_back({id, type});
        order.push_back(column);
    }
    return true;
}

bool CsvImporter::insertRecords(const std::vector<CsvProposedField>& columns,
                                const std::vector<FieldKey>& fields, const std::vector<std::size_t>& order,
                                const CsvRows& rows, std::size_t firstRecord, CsvImportReport& report)
{
    DBManager& db = DBManager::sharedIstance();
    CsvValueConverter converter;
    const std::int64_t created = Clock::nowSeconds();
    // One record's entries at a time, reused, so the whole import is one
    // transaction without the rows being held twice.
    std::vector<FieldChange> entries;
    std::size_t row = firstRecord;
    return db.insertRecords(
        [&]() -> const std::vector<FieldChange>* {
            if (row >= rows.size()) {
                return nullptr;
            }
            entries.clear();
            entries.reserve(fields.size() + 2);
            for (std::size_t k = 0; k < fields.size(); ++k) {
                const int type = fields[k].type;
                std::optional<FieldValue> value = converter.importValue(type, rows.cell(row, order[k]));
                if (!value) {
                    report.addUnreadable(k, columns[order[k]].name, type, row + 1);
                    value = CsvValueConverter::emptyValue(type);
                }
                entries.push_back({fields[k], std::move(*value), nullptr});
            }
            entries.push_back(FieldChange::created(created));
            entries.push_back(FieldChange::modified(0));
            ++row;
            return &entries;
        },
        DBManager::BulkTarget::StagedFile);
}

} // namespace dossiva

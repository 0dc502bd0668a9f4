#pragma once

#include "fields/CalculationEngine.h"
#include "fields/FieldModel.h"
#include "platform/Image.h"
#include "storage/FormLayout.h"
#include "storage/SqliteConnection.h"
#include "storage/StoredRow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// The storage of the open database: its name, its field definitions and all
// its records in memory, kept in step with the package's SQLite file. No
// connection outlives an operation: each one opens the file, works inside a
// transaction where it changes several rows, and closes it. The in-memory
// model changes only after the file has.
class DBManager {
public:
    // The open database of the screens and commands; announces its changes.
    static DBManager& sharedIstance();

    // A store of its own, for a scratch read or write of another package;
    // it announces nothing.
    DBManager() = default;
    DBManager(const DBManager&) = delete;
    DBManager& operator=(const DBManager&) = delete;

    // -- Opening and loading ------------------------------------------------

    // Opens the package (NAME.dossiva) and loads its field definitions; an
    // empty name closes the database. True when closed or loaded.
    bool openDB(const std::string& packageName = {});
    // Makes the package current without loading its fields, when its file
    // opens (listing the library reads dates and backgrounds this way).
    bool openDBLazy(const std::string& packageName);
    // Loads every record of the current database into dbData().
    bool loadDbData();
    // Loads into dbData() only the records `keep` accepts, each judged by its
    // row as it is read: a search of a large database never holds, nor
    // copies, the others.
    bool loadDbData(const std::function<bool(const StoredRow&)>& keep);

    const std::string& dbName() const { return m_dbName; }
    const std::vector<FieldDefinition>& dbStructure() const { return m_dbStructure; }
    const std::vector<Record>& dbData() const { return m_dbData; }
    // Names the present state of dbData(): it changes whenever a record is
    // loaded, added, changed or removed, and no two states of any store in
    // the process share one. What is derived from the records (the search's
    // lowered texts) is kept while it stays.
    std::uint64_t dataRevision() const { return m_dataRevision; }
    // The field with the id, or nullptr.
    const FieldDefinition* field(FieldId id) const;
    // The loaded record with the id, or nullptr.
    const Record* record(RecordId id) const;

    // Opens every connection read-only, so that any write fails (and the
    // model stays as it was). For inspecting files that must not change.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }

    // Why the last operation that reported failure failed: SQLite's code and
    // message, the errno of a picture file, or what is wrong with the file.
    const Failure& lastFailure() const { return m_lastFailure; }

    // -- Field definitions --------------------------------------------------

    // The new field's id, or -1.
    FieldId adddbFieldLabel(const std::string& label, int type, const PropertyList& structure);
    bool setdbFieldLabel(const std::string& label, FieldId id);
    // Changes label and structure; a choose field's records follow their
    // items' texts.
    bool setdbFieldLabel(const std::string& label, FieldId id, const PropertyList& structure);
    bool deletedbFieldAtIndex(FieldId id);
    // Positions are indexes into dbStructure().
    bool moveFieldIndex(int source, int target);
    // A field's column in the record list: its width, and whether it is
    // hidden. False (lastFailure() says why) when it cannot be stored.
    bool setdbFieldListViewColSize(int value, FieldId id);
    bool setdbFieldListViewHidden(bool hidden, FieldId id);

    // -- Calculations -------------------------------------------------------

    std::string calcExpression(const PropertyList& formula, const CalculationEngine::Values& values) const;
    // Whether some calculation field uses the field as an operand.
    bool shouldRebuildCalculationFields(FieldId id) const;
    // The number fields, in form order: the operands a formula can use.
    std::vector<NumberFieldRef> calculationFields() const;
    bool rebuildAllCalculation();

    // -- Records ------------------------------------------------------------

    // One entry per field of dbStructure in form order, then the creation
    // and modification entries.
    bool addRecordToDb(const std::vector<FieldChange>& entries);
    // Inserts many records at once, each as addRecordToDb would, in one
    // transaction: all go in or none.
    bool addRecordsToDb(const std::vector<std::vector<FieldChange>>& records);
    // Inserts the records `next` hands out one at a time (nullptr when there
    // are no more), in one transaction, all or none, without keeping them in
    // dbData: for bulk writers that close the database afterwards. Each
    // record is written as addRecordToDb writes it. A `stagedFile`, one no
    // other reader can see yet (in a staging folder, dropped whole when
    // anything fails), is written without a rollback journal and with a
    // cache that holds every page until the commit writes them once.
    enum class BulkTarget { SharedFile, StagedFile };
    bool insertRecords(const std::function<const std::vector<FieldChange>*()>& next,
                       BulkTarget target = BulkTarget::SharedFile);
    // Writes the listed fields of a record and stamps its modification time.
    bool modifyRecordFields(const std::vector<FieldId>& fieldIds, const std::vector<FieldChange>& entries,
                            RecordId recordId);
    bool deleteRecordWithID(RecordId recordId);
    // Whether a loaded record's password is shown in clear: a state of the
    // screen, kept with the record in memory and never stored.
    void setPasswordShown(RecordId recordId, FieldId field, bool shown);
    bool deleteAllRecords();
    std::int64_t recordNum() const;

    // -- Database dates -----------------------------------------------------

    bool createGeneralInfoTable();
    bool setEditDate(double secondsSince1970);
    bool setSyncDate(double secondsSince1970);
    // [creation, edit, sync], -1 for a time not set; nullopt when the
    // dates cannot be read at all.
    std::optional<std::array<std::int64_t, 3>> getDates() const;

    // -- Form layout --------------------------------------------------------

    // The whole look of the form, in one read; the background is decoded
    // only when asked for. The getters below each read one value.
    FormLayout readFormLayout(bool withBackground = true) const;
    // Each setter writes its value, making the table on first use; false
    // (lastFailure() says why) when it cannot.

    bool setLabelFont(const std::optional<FontSpec>& font);
    std::optional<FontSpec> getLabelFont() const;
    bool setTextFont(const std::optional<FontSpec>& font);
    std::optional<FontSpec> getTextFont() const;
    bool setLabelColor(const RGBColor& color);
    RGBColor getLabelColor() const;
    bool setTextColor(const RGBColor& color);
    RGBColor getTextColor() const;
    bool setLabelShadow(bool shadow);
    bool getLabelShadow() const;
    bool setTextShadow(bool shadow);
    bool getTextShadow() const;
    bool setLabelShadowColor(const RGBColor& color);
    RGBColor getLabelShadowColor() const;
    bool setTextShadowColor(const RGBColor& color);
    RGBColor getTextShadowColor() const;
    // Stores the image file's bytes as the form's background; an empty path
    // removes it.
    bool saveBackground(const std::string& imagePath);
    std::optional<Image> getBackground() const;

private:
    // A connection to the current database whose failures land in
    // lastFailure(), which it clears: every operation starts here.
    SqliteConnection connect() const;
    void clearModel();
    // Keeps why an operation failed when no step of it said so first.
    bool fail(const Failure& failure) const;
    // Picture files that no record names any more (left by an operation
    // that was stopped half-way) are removed; see the definition for why it
    // is safe alongside other writers.
    void sweepUnusedPictures(SqliteConnection& db) const;

    // Fields.
    bool rebuildDataTable(SqliteConnection& db, const std::vector<FieldId>& remaining);
    bool remapChoiceRecords(SqliteConnection& db, const FieldDefinition& field,
                            const PropertyList& newStructure, std::map<RecordId, std::int64_t>& remapped);
    // The picture numbers a picture field holds, in one record or in all.
    bool readImageNumbers(SqliteConnection& db, FieldId field, std::optional<RecordId> record,
                          std::vector<std::int64_t>& numbers) const;
    bool writeListViewColumn(int value, FieldId id);

    // Records.
    struct PictureWork;
    std::string insertStatement() const;
    // record, when given, receives the inserted record.
    bool insertRecord(SqliteConnection& db, SqliteStatement& insert, const std::vector<FieldChange>& entries,
                      Record* record, PictureWork& pictures);
    bool writeRecordField(SqliteConnection& db, const FieldChange& entry, Record& record,
                          PictureWork& pictures);
    // Draws a free picture number and writes the picture under it; 0 when
    // the picture cannot be written (lastFailure() says why).
    std::int64_t storeNewImage(const Image& image) const;
    // Writes a picture over the file `path`'s sibling "PATH.new", to be moved
    // in once the change has committed.
    bool storeReplacementImage(const Image& image, const std::string& place) const;
    // The package's pictures folder, made when missing; false when it is
    // something else than a folder of its own (a link, a file).
    bool preparePicturesFolder() const;
    // Removes a picture file and the "_hd" file made elsewhere beside it.
    void removeImageFiles(std::int64_t imageNumber) const;

    // Layout.
    // Makes layout_info and its one row when the file has none yet.
    bool createLayoutInfoTable(SqliteConnection& db) const;
    bool writeLayoutText(const char* column, const std::string& value);
    bool writeLayoutInteger(const char* column, std::int64_t value);
    bool setDate(const char* column, double secondsSince1970);

    std::string m_dbName;
    std::vector<FieldDefinition> m_dbStructure;
    std::vector<Record> m_dbData;
    std::uint64_t m_dataRevision = 0;
    // Called after every change of m_dbData.
    void recordsChanged();
    bool m_readOnly = false;
    mutable Failure m_lastFailure;
    // Only the shared store posts the notifications the screens follow.
    bool m_announces = false;

    struct Shared {};
    explicit DBManager(Shared) : m_announces(true) {}
};

// Creates an empty database file at path with the four tables of a package
// and no field: the start of the empty base and of the templates.
bool createEmptyDatabaseFile(const std::string& path);

} // namespace dossiva

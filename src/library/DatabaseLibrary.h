#pragma once

#include "platform/Alerts.h"
#include "platform/Image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// One database of the library.
struct LibraryEntry {
    std::string name;          // DBName: the package name, NAME.dossiva
    std::int64_t created = -1; // DBCre: seconds since 1970, -1 when unknown
    std::int64_t edited = -1;  // DBEdit
    // DBImage: the form background as a thumbnail, made only when a screen
    // shows it (backgroundThumbnail); null until then or without one.
    ImagePtr background;
    int thumbnailSide = 0; // the side `background` was made for, 0 when not made
    // The icon of the template the database was made from, "" for none;
    // found when a screen first shows it (templateIcon).
    std::optional<std::string> templateIcon;
};

// The databases of the Databases folder as files, and every operation that
// makes, copies, renames, deletes, imports or exports them. Questions and
// messages go through Alerts; the Open section and the command line only
// call these.
class DatabaseLibrary {
public:
    enum class CreateResult { Created, NameTaken, Failed };

    explicit DatabaseLibrary(Alerts& alerts);
    ~DatabaseLibrary();
    DatabaseLibrary(const DatabaseLibrary&) = delete;
    DatabaseLibrary& operator=(const DatabaseLibrary&) = delete;

    // -- The list ---------------------------------------------------------

    // Rebuilds the list from the disk: what interrupted work left is put
    // back in order first (PackageRecovery), each package's dates are read
    // (its background only when shown), and the list is sorted by the
    // settings. No database is open afterwards.
    void loadDbArray();
    const std::vector<LibraryEntry>& dbList() const { return m_entries; }
    const LibraryEntry* entry(const std::string& packageName) const;
    // Sorts by name (0, case-insensitive), edit date (1) or creation date
    // (2); without arguments by the Sorting and DBSortOrder settings.
    void sortBy(int sorting, bool ascending);
    void sortBySettings();
    // Keep an entry in step after the open database changed.
    void setEditDate(const std::string& packageName, std::int64_t seconds);
    void setBackground(const std::string& packageName, ImagePtr background);
    // The package's form background scaled to fit a square of `side`
    // pixels, read and kept on first use; null without a background. The
    // full picture is never kept.
    ImagePtr backgroundThumbnail(const std::string& packageName, int side);
    // The icon name of the template the package was made from, as the new
    // database dialog shows it; "" when it was made from none (or its fields
    // no longer tell). Found on first use and kept.
    std::string templateIcon(const std::string& packageName);

    // -- Operations --------------------------------------------------------

    // A new database from row 0 (empty) to 22 of the built-in templates.
    // On success the database is open.
    CreateResult createNewDatabase(int row, const std::string& name);
    CreateResult createNewDatabaseCustomTemplate(const std::string& templateName, const std::string& name);
    // Copies a package to "NAME Copy"; the copy's package name, or nullopt
    // after "Error duplicanting db".
    std::optional<std::string> duplicateDB(const std::string& packageName);
    // Asks for confirmation (Cancel is the default), then moves the package
    // to the desktop's trash. True when it went.
    bool deleteDatabase(const std::string& packageName);
    // Renames a package; an empty or unchanged name is ignored. On success
    // the database is open under its new name and its edit date is now.
    bool renameDatabase(const std::string& packageName, const std::string& newName);
    // Exports copy a package folder, or write a template file, to a path
    // outside Dossiva's own folders. An existing path is replaced only when
    // `replace` is set, and then only by its own kind (a package folder by a
    // package, a file by a template), with the new copy written beside it
    // and swapped in whole, the old kept until then.
    bool exportDossivaFile(const std::string& packageName, const std::string& destination,
                           bool replace = false);
    bool exportTemplate(const std::string& packageName, const std::string& destination, bool replace = false);
    // Copies a package from elsewhere into the library under `name` (by
    // default the file's own), asking for another name while the name is
    // taken. The new package name, or nullopt.
    std::optional<std::string> importDossivaFile(const std::string& path,
                                                 const std::optional<std::string>& name = std::nullopt);
    // The same for a template file, into the custom templates.
    bool importTemplate(const std::string& path, const std::optional<std::string>& name = std::nullopt);
    // Adds a package the CSV import made.
    void importedCSVDB(const std::string& packageName);

    // The package name for a name typed with or without its extension.
    static std::string packageName(const std::string& name);

    // -- The last database -------------------------------------------------

    // Stores the selected package as LastDB, or removes LastDB.
    static void rememberOpenedDB(const std::optional<std::string>& selectedPackage);
    // The package to select at launch: LastDB's when listed, else the first;
    // nullopt without LastDB or with an empty list.
    std::optional<std::string> openPrevious() const;

private:
    CreateResult createFromFile(const std::string& templateFile, const std::string& name,
                                std::optional<std::string> icon);
    LibraryEntry readEntry(const std::string& packageName) const;
    // Copies a tree into the library as `package`, through a staging folder
    // moved in whole; false with lastFailure() set.
    static bool copyIntoLibrary(const std::string& source, const std::string& package);
    // Why the export cannot go to `destination`, or nullopt.
    std::optional<std::string> exportProblem(const std::string& destination, bool replace, bool folder) const;
    // Asks for another name while `taken` holds; nullopt on Cancel or an
    // empty answer.
    std::optional<std::string> askFreeName(std::string name,
                                           const std::function<bool(const std::string&)>& taken,
                                           const std::function<AlertRequest(const std::string&)>& question);
    void failCopy(const std::string& message, const std::string& reason);

    Alerts& m_alerts;
    std::vector<LibraryEntry> m_entries;
    // The templates' fields, read when an icon is first asked for.
    std::unique_ptr<class TemplateLikeness> m_likeness;
};

} // namespace dossiva

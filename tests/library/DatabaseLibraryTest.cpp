// The library's file operations and the messages they show.
#include "support/TestDatabase.h"

#include "library/DatabaseLibrary.h"
#include "library/TemplateCatalog.h"
#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <regex>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    TestLibrary home;
    ScriptedAlerts alerts;
    DatabaseLibrary library{alerts};
    DBManager& db = DBManager::sharedIstance();

    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const auto& entry : library.dbList()) {
            list.push_back(entry.name);
        }
        return list;
    }

    void create(const std::string& name, int records = 0)
    {
        ASSERT_EQ(library.createNewDatabase(0, name), DatabaseLibrary::CreateResult::Created);
        for (int i = 0; i < records; ++i) {
            auto entries = emptyRecordEntries();
            entries.front().value = FieldValue::text("secret record " + std::to_string(i));
            ASSERT_TRUE(db.addRecordToDb(entries));
        }
        db.openDB();
    }

    std::string lastTitle() const { return alerts.asked().empty() ? "" : alerts.asked().back().title; }
    std::string lastText() const { return alerts.asked().empty() ? "" : alerts.asked().back().message; }
};

TEST_F(LibraryTest, ListingSortsByTheSettingsAndDropsSyncLeftoversOfSoundPackages)
{
    for (const auto& [name, created] :
         std::vector<std::pair<std::string, double>>{{"beta", 300}, {"Alpha", 100}, {"gamma", 200}}) {
        const ScopedClockOverride clock(created);
        create(name);
    }
    ASSERT_TRUE(FileManager::createDirectories(Paths::databasesFolder() + "/beta.dossiva_temp/images"));
    ASSERT_TRUE(FileManager::writeFileAtomically(Paths::databasesFolder() + "/notes.txt", "not a package"));
    struct Case {
        int sorting;
        bool ascending;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {0, true, {"Alpha.dossiva", "beta.dossiva", "gamma.dossiva"}},
        {0, false, {"gamma.dossiva", "beta.dossiva", "Alpha.dossiva"}},
        {2, true, {"Alpha.dossiva", "gamma.dossiva", "beta.dossiva"}},
        {2, false, {"beta.dossiva", "gamma.dossiva", "Alpha.dossiva"}},
    };
    for (const auto& c : cases) {
        UserDefaults::standard().setInteger("Sorting", c.sorting);
        UserDefaults::standard().setInteger("DBSortOrder", c.ascending ? 1 : 0);
        library.loadDbArray();
        EXPECT_EQ(names(), c.expected) << c.sorting << c.ascending;
    }
    EXPECT_FALSE(FileManager::exists(Paths::databasesFolder() + "/beta.dossiva_temp"));
    EXPECT_TRUE(db.dbName().empty()) << "listing leaves no database open";
}

TEST_F(LibraryTest, NamesSortAsAReaderExpectsWhateverTheirCaseAndAccents)
{
    for (const char* name : {"Zoo", "\u00e9b\u00e8ne", "apple", "\u00c9clat", "Eagle"}) {
        create(name);
    }
    UserDefaults::standard().setInteger("Sorting", 0);
    UserDefaults::standard().setInteger("DBSortOrder", 1);
    library.loadDbArray();
    EXPECT_EQ(names(), (std::vector<std::string>{"apple.dossiva", "Eagle.dossiva", "\u00e9b\u00e8ne.dossiva",
                                                 "\u00c9clat.dossiva", "Zoo.dossiva"}));
}

TEST_F(LibraryTest, TheTemplateADatabaseWasMadeFromIsToldByItsFields)
{
    // A custom template: Recipes with a field more.
    ASSERT_EQ(library.createNewDatabase(19, "Base"), DatabaseLibrary::CreateResult::Created);
    ASSERT_GT(db.adddbFieldLabel("Wine", FieldType::SmallText, PropertyList::array()), 0);
    db.openDB();
    ASSERT_TRUE(FileManager::copyItem(Paths::databaseFile("Base.dossiva"),
                                      Paths::modelsFolder() + "/Dinners.dossivaTemplate"));
    for (const auto& [row, name] :
         std::vector<std::pair<int, std::string>>{{2, "Reading"}, {19, "Cooking"}, {0, "Plain"}}) {
        ASSERT_EQ(library.createNewDatabase(row, name), DatabaseLibrary::CreateResult::Created);
    }
    ASSERT_EQ(library.createNewDatabaseCustomTemplate("Dinners", "Sunday"),
              DatabaseLibrary::CreateResult::Created);
    ASSERT_GT(db.adddbFieldLabel("Guests", FieldType::Number, PropertyList::array()), 0)
        << "fields added later do not matter";
    db.openDB();

    library.loadDbArray(); // as at the next launch: nothing is known but the files
    const std::vector<std::pair<std::string, std::string>> expected = {{"Reading.dossiva", "iconBooks"},
                                                                       {"Cooking.dossiva", "iconRecipes"},
                                                                       {"Plain.dossiva", ""},
                                                                       {"Sunday.dossiva", "templateCustom"},
                                                                       {"Base.dossiva", "templateCustom"}};
    for (const auto& [package, icon] : expected) {
        EXPECT_EQ(library.templateIcon(package), icon) << package;
    }
}

TEST_F(LibraryTest, NewDatabasesStartFromTheEmptyBase)
{
    {
        const ScopedClockOverride clock(1700000000);
        ASSERT_EQ(library.createNewDatabase(0, "Books"), DatabaseLibrary::CreateResult::Created);
    }
    EXPECT_EQ(db.dbName(), "Books.dossiva");
    ASSERT_EQ(db.dbStructure().size(), 1u);
    EXPECT_EQ(db.dbStructure()[0].id, 1);
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1700000000, -1, -1}));
    EXPECT_TRUE(FileManager::isDirectory(Paths::imagesFolder("Books.dossiva")));
    EXPECT_EQ(library.entry("Books.dossiva")->created, 1700000000);

    EXPECT_EQ(library.createNewDatabase(0, "Books"), DatabaseLibrary::CreateResult::NameTaken);
    EXPECT_EQ(library.createNewDatabase(99, "Other"), DatabaseLibrary::CreateResult::Failed);
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Other.dossiva")));
}

TEST_F(LibraryTest, ATemplateThatIsNotADatabaseMakesNothing)
{
    const std::string models = Paths::modelsFolder();
    ASSERT_TRUE(FileManager::writeFileAtomically(models + "/Broken.dossivaTemplate", "this is no database"));
    EXPECT_EQ(library.createNewDatabaseCustomTemplate("Broken", "New"),
              DatabaseLibrary::CreateResult::Failed);
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("New.dossiva")));
    EXPECT_EQ(lastTitle(), "Error");
    EXPECT_EQ(library.createNewDatabaseCustomTemplate("Missing", "New"),
              DatabaseLibrary::CreateResult::Failed);
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("New.dossiva")));
}

TEST_F(LibraryTest, DuplicatingTwiceFailsTheSecondTime)
{
    create("Books", 2);
    library.loadDbArray();
    const auto copy = library.duplicateDB("Books.dossiva");
    ASSERT_EQ(copy, "Books Copy.dossiva");
    EXPECT_EQ(library.entry("Books Copy.dossiva")->created, library.entry("Books.dossiva")->created);
    EXPECT_EQ(db.recordNum(), 2);
    EXPECT_EQ(library.duplicateDB("Books.dossiva"), std::nullopt);
    EXPECT_EQ(lastTitle(), "Error");
    EXPECT_EQ(lastText(), "Error duplicanting db");
}

TEST_F(LibraryTest, DeletingAsksWithCancelAsDefaultThenMovesThePackageToTheTrash)
{
    ::unsetenv("XDG_DATA_HOME"); // the trash follows the test's home
    create("Books");
    library.loadDbArray();
    EXPECT_FALSE(library.deleteDatabase("Books.dossiva")) << "Enter answers Cancel";
    const AlertRequest& question = alerts.asked().back();
    EXPECT_EQ(question.title, "Delete Database");
    EXPECT_EQ(question.message, "Are you sure you want to delete the database \"Books\"?");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Delete", "Cancel"}));
    EXPECT_EQ(question.defaultAnswer(), "Cancel");
    EXPECT_EQ(question.effectiveStyle(), AlertStyle::Warning);
    EXPECT_NE(question.detail.find("Trash"), std::string::npos) << question.detail;
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Books.dossiva")));

    alerts.queueAnswer("Delete");
    EXPECT_TRUE(library.deleteDatabase("Books.dossiva"));
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Books.dossiva")));
    EXPECT_TRUE(library.dbList().empty());
    const std::string trash = home.home() + "/.local/share/Trash";
    EXPECT_TRUE(FileManager::isRegularFile(trash + "/files/Books.dossiva/database.db"));
    const auto info = FileManager::readFile(trash + "/info/Books.dossiva.trashinfo");
    ASSERT_TRUE(info.has_value());
    const std::string escapedHome = std::regex_replace(home.home(), std::regex(" "), "%20");
    EXPECT_NE(std::string(info->begin(), info->end())
                  .find("Path=" + escapedHome +
                        "/Library/Application%20Support/Quorva/Dossiva/Databases/"
                        "Books.dossiva\n"),
              std::string::npos);

    // A trash that cannot be made refuses the deletion, says why and keeps
    // the database open.
    create("Films");
    library.loadDbArray();
    ASSERT_TRUE(db.openDB("Films.dossiva"));
    ASSERT_TRUE(FileManager::writeFileAtomically(home.home() + "/plain", "a file, not a folder"));
    ::setenv("XDG_DATA_HOME", (home.home() + "/plain/data").c_str(), 1);
    alerts.queueAnswer("Delete");
    EXPECT_FALSE(library.deleteDatabase("Films.dossiva"));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(lastText(), "The database \"Films\" could not be moved to the Trash.");
    EXPECT_NE(alerts.asked().back().detail.find("Not a directory"), std::string::npos);
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Films.dossiva")));
    EXPECT_EQ(db.dbName(), "Films.dossiva");
}

TEST_F(LibraryTest, RenamingIgnoresTheSameNameRefusesATakenOneAndStampsTheEdit)
{
    create("Books");
    create("Films");
    library.loadDbArray();
    EXPECT_FALSE(library.renameDatabase("Books.dossiva", "Books"));
    EXPECT_FALSE(library.renameDatabase("Books.dossiva", ""));
    EXPECT_TRUE(alerts.asked().empty());
    EXPECT_FALSE(library.renameDatabase("Books.dossiva", "Films"));
    EXPECT_EQ(lastText(), "Database Films already exists");

    int changes = 0;
    ObserverToken observer = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [&](const NoPayload&, const void*) { ++changes; });
    {
        const ScopedClockOverride clock(1800000000);
        EXPECT_TRUE(library.renameDatabase("Books.dossiva", "Novels"));
    }
    observer.reset();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(db.dbName(), "Novels.dossiva");
    EXPECT_EQ((*db.getDates())[1], 1800000000);
    EXPECT_EQ(library.entry("Novels.dossiva")->edited, 1800000000);
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Books.dossiva")));
}

TEST_F(LibraryTest, ExportedPackagesComeBackUnderAFreeName)
{
    create("Books", 3);
    library.loadDbArray();
    const std::string exported = home.home() + "/Books.dossiva";
    ASSERT_TRUE(library.exportDossivaFile("Books.dossiva", exported));
    EXPECT_EQ(alerts.progress().back().message, "Exporting Books database...");
    EXPECT_EQ(lastText(), "Database exported successfully");
    EXPECT_EQ(alerts.pausedFinishes(), 1);
    EXPECT_FALSE(alerts.progressShown());

    // The name is taken: asked again while the answer is taken too.
    alerts.queueAnswer("OK", "Books");
    alerts.queueAnswer("OK", "Second");
    const auto imported = library.importDossivaFile(exported);
    ASSERT_EQ(imported, "Second.dossiva");
    const auto& asked = alerts.asked();
    ASSERT_GE(asked.size(), 3u);
    EXPECT_EQ(asked[asked.size() - 3].title, "A database \"Books\" already exist");
    EXPECT_EQ(asked[asked.size() - 3].message, "A Database \"Books\" already exists.\nPlease enter a new "
                                               "name for the database to import or cancel.");
    EXPECT_TRUE(asked[asked.size() - 3].hasTextField);
    EXPECT_EQ(lastText(), "Database Second imported successfully");
    EXPECT_EQ(db.recordNum(), 3);

    alerts.queueAnswer("Cancel");
    EXPECT_EQ(library.importDossivaFile(exported), std::nullopt);
    alerts.queueAnswer("OK", "");
    EXPECT_EQ(library.importDossivaFile(exported), std::nullopt);
    EXPECT_EQ(names().size(), 2u);
}

TEST_F(LibraryTest, ImportingSomethingThatIsNotAPackageLeavesNothing)
{
    const std::string folder = home.home() + "/Fake.dossiva";
    ASSERT_TRUE(FileManager::createDirectories(folder));
    const std::string plain = home.home() + "/Plain.dossiva";
    ASSERT_TRUE(FileManager::writeFileAtomically(plain, "plain file"));
    const std::string garbage = home.home() + "/Garbage.dossiva";
    ASSERT_TRUE(FileManager::createDirectories(garbage));
    ASSERT_TRUE(FileManager::writeFileAtomically(garbage + "/database.db", std::string(4096, 'g')));
    for (const auto& path : {folder, plain, garbage, home.home() + "/Missing.dossiva"}) {
        EXPECT_EQ(library.importDossivaFile(path), std::nullopt) << path;
        EXPECT_EQ(lastTitle(), "Warning") << path;
    }
    EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::databasesFolder()).empty());
}

TEST_F(LibraryTest, ExportedTemplatesHoldNoRecordsNorTheirText)
{
    create("Books", 100);
    library.loadDbArray();
    const std::string file = home.home() + "/Books.dossivaTemplate";
    ASSERT_TRUE(FileManager::writeFileAtomically(file, "an older file"));
    ASSERT_TRUE(library.exportTemplate("Books.dossiva", file, true));
    EXPECT_EQ(lastText(), "Database template exported successfully");
    EXPECT_EQ(sqliteShell(file, "select count(*) from data_table"), "0\n");
    EXPECT_EQ(sqliteShell(file, "select count(*) from general_info"), "0\n");
    EXPECT_EQ(sqliteShell(file, "select field_name from fields_table"), "Name\n");
    const auto bytes = FileManager::readFile(file);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()).find("secret record"), std::string::npos);

    ASSERT_TRUE(library.importTemplate(file));
    EXPECT_EQ(lastText(), "Database template Books imported successfully");
    EXPECT_EQ(TemplateCatalog::customTemplateNames(), std::vector<std::string>{"Books"});
    alerts.queueAnswer("Cancel");
    EXPECT_FALSE(library.importTemplate(file));
    EXPECT_EQ(lastText(), "A Template \"Books\" already exists.\nPlease enter a new name for the template to "
                          "import or cancel.");

    {
        const ScopedClockOverride clock(1750000000);
        ASSERT_EQ(library.createNewDatabaseCustomTemplate("Books", "Shelf"),
                  DatabaseLibrary::CreateResult::Created);
    }
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1750000000, -1, -1}));
    EXPECT_EQ(db.recordNum(), 0);

    const auto rows = TemplateCatalog::rows();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows[23].name, "Books");
    EXPECT_EQ(rows[23].icon, "templateCustom");
    EXPECT_EQ(rows[21].name, "To Do");
    EXPECT_EQ(rows[21].icon, "iconTodo");
}

TEST_F(LibraryTest, CustomTemplatesAreRenamedAndDeleted)
{
    const std::string models = Paths::modelsFolder();
    ASSERT_TRUE(FileManager::copyItem(Paths::emptyBaseDatabase(), models + "/One.dossivaTemplate"));
    ASSERT_TRUE(FileManager::copyItem(Paths::emptyBaseDatabase(), models + "/Two.dossivaTemplate"));
    EXPECT_FALSE(TemplateCatalog::renameCustomTemplate("One", "Two", alerts));
    EXPECT_EQ(lastText(), "The \"Two\" template already exists.\nPlease enter a new name");
    EXPECT_FALSE(TemplateCatalog::renameCustomTemplate("One", "../Out", alerts));
    EXPECT_TRUE(TemplateCatalog::renameCustomTemplate("One", "Three", alerts));
    alerts.queueAnswer("Cancel");
    EXPECT_FALSE(TemplateCatalog::deleteCustomTemplate("Two", alerts));
    EXPECT_EQ(lastTitle(), "Are you sure you want to delete \"Two\" template?");
    alerts.queueAnswer("OK");
    EXPECT_TRUE(TemplateCatalog::deleteCustomTemplate("Two", alerts));
    EXPECT_EQ(TemplateCatalog::customTemplateNames(), std::vector<std::string>{"Three"});
}

TEST_F(LibraryTest, TheLastDatabaseIsRememberedAndReopened)
{
    create("Books");
    create("Films");
    library.loadDbArray();
    EXPECT_EQ(library.openPrevious(), std::nullopt);
    DatabaseLibrary::rememberOpenedDB(std::string("Films.dossiva"));
    EXPECT_EQ(library.openPrevious(), "Films.dossiva");
    DatabaseLibrary::rememberOpenedDB(std::string("Gone.dossiva"));
    EXPECT_EQ(library.openPrevious(), library.dbList().front().name);
    DatabaseLibrary::rememberOpenedDB(std::nullopt);
    EXPECT_FALSE(UserDefaults::standard().has("LastDB"));
}

} // namespace

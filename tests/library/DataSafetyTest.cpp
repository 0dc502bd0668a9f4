// What the library does with files it did not make and with work that was
// interrupted: hostile packages, links made by hand, hot journals, leftover
// pictures, interrupted swaps, and writes that hit a real file-size limit.
#include "support/CaseNames.h"
#include "support/ChildProcess.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"
#include "support/TreeSnapshot.h"

#include "library/DatabaseLibrary.h"
#include "library/Startup.h"
#include "platform/Alerts.h"
#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "storage/ImageCache.h"
#include "storage/PackageRecovery.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// A package whose database is sound and whose one field is labelled `label`,
// or one whose database is garbage.
void soundPackage(const std::string& folder, const std::string& label)
{
    ASSERT_TRUE(FileManager::createDirectories(folder + "/images"));
    ASSERT_TRUE(createEmptyDatabaseFile(folder + "/database.db"));
    sqliteShell(folder + "/database.db", "insert into fields_table(id,field_name,field_type,order_index) "
                                         "values(1,'" +
                                             label + "',0,1); alter table data_table add column '1';");
}

void brokenPackage(const std::string& folder)
{
    ASSERT_TRUE(FileManager::createDirectories(folder + "/images"));
    ASSERT_TRUE(FileManager::writeFileAtomically(folder + "/database.db", std::string(4096, 'x')));
}

std::string labelOf(const std::string& folder)
{
    if (!PackageRecovery::isUsablePackage(folder)) {
        return "broken";
    }
    std::string label = sqliteShell(folder + "/database.db", "select field_name from fields_table");
    label.erase(label.find_last_not_of('\n') + 1);
    return label;
}

// The Databases folder: each entry with the label of its package.
std::map<std::string, std::string> libraryState()
{
    std::map<std::string, std::string> state;
    for (const auto& entry : FileManager::contentsOfDirectory(Paths::databasesFolder())) {
        state[entry] = labelOf(Paths::databasesFolder() + "/" + entry);
    }
    return state;
}

// -- Interrupted swaps ----------------------------------------------------------------

struct RecoveryCase {
    const char* name;
    friend void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }
    std::map<std::string, std::string> before; // entry -> label, or "broken"
    std::map<std::string, std::string> after;
};

class InterruptedSwap : public ::testing::TestWithParam<RecoveryCase> {
protected:
    TestLibrary library;
};

TEST_P(InterruptedSwap, IsPutInOrderAtStartUpWithoutLosingASoundCopy)
{
    for (const auto& [entry, label] : GetParam().before) {
        const std::string folder = Paths::databasesFolder() + "/" + entry;
        if (label == "broken") {
            brokenPackage(folder);
        } else {
            soundPackage(folder, label);
        }
    }
    ASSERT_EQ(prepareApplicationSupport(), 0);
    EXPECT_EQ(libraryState(), GetParam().after);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, InterruptedSwap, ::testing::Values(
    RecoveryCase{"BeforeTheOldCopyMovedAside", {{"X.dossiva", "old"}, {"X.dossiva_temp", "new"}}, {{"X.dossiva", "old"}}},
    RecoveryCase{"AfterTheOldCopyMovedAside", {{"X.dossiva_old", "old"}, {"X.dossiva_temp", "new"}}, {{"X.dossiva", "old"}}},
    RecoveryCase{"AfterTheNewCopyMovedIn", {{"X.dossiva", "new"}, {"X.dossiva_old", "old"}}, {{"X.dossiva", "new"}}},
    RecoveryCase{"AsideCopyBesideABrokenOne", {{"X.dossiva", "broken"}, {"X.dossiva_old", "old"}}, {{"X.dossiva", "old"}}},
    RecoveryCase{"BothCopiesBroken", {{"X.dossiva", "broken"}, {"X.dossiva_old", "broken"}}, {{"X.dossiva", "broken"}, {"X (recovered).dossiva", "broken"}}},
    RecoveryCase{"ReceivedCopyWithoutItsPackage", {{"X.dossiva_temp", "new"}}, {{"X (recovered).dossiva", "new"}}},
    RecoveryCase{"ReceivedCopyBesideABrokenPackage", {{"X.dossiva", "broken"}, {"X.dossiva_temp", "new"}, {"X (recovered).dossiva", "earlier"}}, {{"X.dossiva", "broken"}, {"X (recovered).dossiva", "earlier"}, {"X (recovered 2).dossiva", "new"}}},
    RecoveryCase{"UnfinishedImport", {{".X.dossiva.import-abcd1234", "half"}, {"Y.dossiva", "y"}}, {{"Y.dossiva", "y"}}}),
    test::NameOfCase());
// clang-format on

TEST(InterruptedSwapLock, WorkUnderWayElsewhereIsLeftAlone)
{
    TestLibrary library;
    soundPackage(Paths::databasesFolder() + "/X.dossiva_old", "old");
    const FileLock busy = FileLock::acquire(Paths::dataTreeLockFile(), FileLock::Mode::Shared);
    ASSERT_TRUE(busy.held());
    EXPECT_TRUE(PackageRecovery::recover().empty());
    EXPECT_EQ(libraryState(), (std::map<std::string, std::string>{{"X.dossiva_old", "old"}}));
}

// -- Packages from elsewhere ----------------------------------------------------------

class HostilePackage : public ::testing::Test {
protected:
    TestLibrary library;
    ScriptedAlerts alerts;
    DatabaseLibrary databases{alerts};
    std::string outside = library.home() + "/outside";
    std::string source = library.home() + "/Hostile.dossiva";

    HostilePackage()
    {
        EXPECT_TRUE(FileManager::createDirectories(outside + "/folder"));
        EXPECT_TRUE(FileManager::writeFileAtomically(outside + "/secret.txt", "private key"));
        EXPECT_TRUE(FileManager::writeFileAtomically(outside + "/folder/6", "kept"));
        soundPackage(source, "Name");
    }

    void link(const std::string& target, const std::string& at)
    {
        FileManager::removeItem(source + "/" + at);
        ASSERT_EQ(::symlink(target.c_str(), (source + "/" + at).c_str()), 0) << at;
    }
    void sql(const std::string& statements) { sqliteShell(source + "/database.db", statements); }
};

TEST_F(HostilePackage, IsRefusedWithItsReasonAndTouchesNothing)
{
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"link to a file outside", [&] { link(outside + "/secret.txt", "images/6"); }, "images/6"},
        {"pictures folder linked outside", [&] { link(outside + "/folder", "images"); }, "images"},
        {"link to a device", [&] { link("/dev/zero", "images/7"); }, "images/7"},
        {"database file linked outside", [&] { link(outside + "/secret.txt", "database.db"); },
         "database.db"},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo((source + "/images/8").c_str(), 0644), 0); }, "images/8"},
        {"trigger",
         [&] { sql("create trigger t after insert on data_table begin delete from data_table; end"); },
         "trigger \"t\""},
        {"view", [&] { sql("create view v as select * from data_table"); }, "view \"v\""},
        {"index on an expression", [&] { sql("create index i on data_table(lower(create_date))"); },
         "index \"i\""},
        {"field without its column", [&] { sql("insert into fields_table values(9,'Lost',1,x'',0,2,0)"); },
         "\"Lost\" has no column"},
        {"sparse picture of 2 GB",
         [&] {
             const int fd = ::open((source + "/images/9").c_str(), O_WRONLY | O_CREAT, 0644);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::ftruncate(fd, 2LL << 30), 0);
             ::close(fd);
         },
         "images/9 is larger"},
    };
    const TreeSnapshot home = snapshotTree(library.home(), {"Hostile.dossiva"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileManager::removeItem(source);
        soundPackage(source, "Name");
        c.make();
        EXPECT_EQ(databases.importDossivaFile(source), std::nullopt);
        ASSERT_FALSE(alerts.asked().empty());
        EXPECT_EQ(alerts.asked().back().message, "Error during import of Hostile database");
        EXPECT_NE(alerts.asked().back().detail.find(c.reason), std::string::npos)
            << alerts.asked().back().detail;
        EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::databasesFolder()).empty());
        EXPECT_EQ(snapshotTree(library.home(), {"Hostile.dossiva"}), home);
    }
}

TEST_F(HostilePackage, AHugeBackgroundIsNeitherDecodedWhenListedNorShown)
{
    // The PNG header claims 16384 x 16384 pixels: a gigabyte once decoded.
    std::string bomb;
    const std::string script =
        "import struct,zlib,sys\n"
        "def chunk(t,d): return struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d))\n"
        "sys.stdout.write((b'\\x89PNG\\r\\n\\x1a\\n'+chunk(b'IHDR',struct.pack('>IIBBBBB',16384,"
        "16384,8,0,0,0,0))+chunk(b'IDAT',zlib.compress(b'\\0'*16385*64))+chunk(b'IEND',b'')).hex())";
    ASSERT_EQ(runPython(script, {}, bomb), 0);
    sql("create table layout_info('label_font','label_color','text_font','text_color','bkg_img','bkg_length',"
        "'label_shadow','label_shadow_color','text_shadow','text_shadow_color');"
        "insert into layout_info(bkg_img,bkg_length) values(x'" +
        bomb + "'," + std::to_string(bomb.size() / 2) + ")");
    ASSERT_TRUE(databases.importDossivaFile(source).has_value());
    databases.loadDbArray();
    ASSERT_EQ(databases.dbList().size(), 1u);
    EXPECT_EQ(databases.dbList()[0].thumbnailSide, 0) << "listing decodes no background";
    EXPECT_EQ(databases.backgroundThumbnail("Hostile.dossiva", 128), nullptr);
}

// -- Links made by hand inside a package of the library ---------------------------------

class HandMadeLinks : public ::testing::Test {
protected:
    TestLibrary library;
    DBManager& db = DBManager::sharedIstance();
    std::string package = library.makePackage("Pics");
    std::string outside = library.home() + "/outside";
    FieldId photo = db.adddbFieldLabel("Photo", FieldType::Image, PropertyList::array());
    std::int64_t picture = 0;

    HandMadeLinks()
    {
        EXPECT_TRUE(FileManager::createDirectories(outside));
        EXPECT_TRUE(noisePicture(32, 32)->writeTiffJpeg(outside + "/private.tiff"));
        auto entries = emptyRecordEntries();
        entryFor(entries, photo).image = noisePicture(32, 32);
        EXPECT_TRUE(db.addRecordToDb(entries));
        picture = db.dbData().back().value(photo)->integer();
    }

    RecordId record() const { return db.dbData().back().recordId; }
    std::string pictureFile() const { return Paths::imageFile(package, picture); }
    FieldChange change(ImagePtr image) const
    {
        return FieldChange{{photo, FieldType::Image}, FieldValue::integer(0), std::move(image)};
    }
};

TEST_F(HandMadeLinks, APictureThatIsALinkIsNeitherReadNorWrittenThrough)
{
    ASSERT_TRUE(FileManager::removeFileEntry(pictureFile()));
    ASSERT_EQ(::symlink((outside + "/private.tiff").c_str(), pictureFile().c_str()), 0);
    const TreeSnapshot before = snapshotTree(outside);
    ImageCache::sharedIstance().releaseImages();
    EXPECT_EQ(ImageCache::sharedIstance().getImage(pictureFile()), nullptr);
    EXPECT_EQ(ImageCache::sharedIstance().viewImage(pictureFile()), nullptr);

    ASSERT_TRUE(db.modifyRecordFields({photo}, {change(noisePicture(40, 40))}, record()));
    EXPECT_TRUE(FileManager::isRegularFile(pictureFile()) && !FileManager::exists(pictureFile() + ".new"));
    EXPECT_EQ(snapshotTree(outside), before);
    ASSERT_TRUE(db.deleteRecordWithID(record()));
    EXPECT_EQ(snapshotTree(outside), before);
}

TEST_F(HandMadeLinks, APictureLinkedToAFolderIsRemovedAloneWithItsRecord)
{
    ASSERT_TRUE(FileManager::removeFileEntry(pictureFile()));
    ASSERT_TRUE(FileManager::writeFileAtomically(outside + "/keep.txt", "kept"));
    ASSERT_EQ(::symlink(outside.c_str(), pictureFile().c_str()), 0);
    const TreeSnapshot before = snapshotTree(outside);
    ASSERT_TRUE(db.deleteRecordWithID(record()));
    EXPECT_FALSE(FileManager::exists(pictureFile()));
    EXPECT_EQ(snapshotTree(outside), before);
}

TEST_F(HandMadeLinks, ALinkedPicturesFolderRefusesNewPicturesAndKeepsTheRecordAsItWas)
{
    ASSERT_TRUE(FileManager::copyItem(pictureFile(), outside + "/" + std::to_string(picture)));
    ASSERT_TRUE(FileManager::removeItem(Paths::imagesFolder(package)));
    ASSERT_EQ(::symlink(outside.c_str(), Paths::imagesFolder(package).c_str()), 0);
    const TreeSnapshot before = snapshotTree(outside);
    const std::size_t records = db.dbData().size();

    auto entries = emptyRecordEntries();
    entryFor(entries, photo).image = noisePicture(32, 32);
    EXPECT_FALSE(db.addRecordToDb(entries));
    EXPECT_NE(db.lastFailure().reason.find("not a folder of its own"), std::string::npos);
    EXPECT_FALSE(db.modifyRecordFields({photo}, {change(noisePicture(40, 40))}, record()));
    ASSERT_TRUE(db.deleteRecordWithID(record()));

    EXPECT_EQ(db.dbData().size(), records - 1);
    EXPECT_EQ(snapshotTree(outside), before);
}

// -- Interrupted writers ------------------------------------------------------------------

TEST(InterruptedWriter, AHotJournalIsRolledBackForAReader)
{
    TestLibrary library;
    const std::string package = library.makePackage("Hot");
    DBManager& db = DBManager::sharedIstance();
    for (int i = 0; i < 50; ++i) {
        auto entries = emptyRecordEntries();
        entries.front().value = FieldValue::text("record " + std::to_string(i));
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    db.openDB();
    // A writer stopped in the middle of a change leaves the pages it changed
    // in the file and their old content in the journal.
    std::string output;
    ASSERT_EQ(runPython("import os,sqlite3,sys\n"
                        "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                        "c.execute('pragma cache_size=1'); c.execute('begin')\n"
                        "for i in range(3000): c.execute(\"update data_table set '1'=? \", ('x'*200,))\n"
                        "os._exit(0)\n",
                        {Paths::databaseFile(package)}, output),
              0);
    ASSERT_TRUE(FileManager::exists(Paths::databaseFile(package) + "-journal"));

    db.setReadOnly(true);
    ASSERT_TRUE(db.openDB(package)) << db.lastFailure().reason;
    ASSERT_TRUE(db.loadDbData());
    ASSERT_EQ(db.dbData().size(), 50u);
    EXPECT_EQ(db.dbData()[7].value(1)->text(), "record 7");
}

TEST(InterruptedWriter, PicturesNoRecordNamesGoWhenTheDatabaseIsOpenedForWriting)
{
    TestLibrary library;
    const std::string package = library.makePackage("Pics");
    DBManager& db = DBManager::sharedIstance();
    const FieldId photo = db.adddbFieldLabel("Photo", FieldType::Image, PropertyList::array());
    auto entries = emptyRecordEntries();
    entryFor(entries, photo).image = noisePicture(16, 16);
    ASSERT_TRUE(db.addRecordToDb(entries));
    const std::string kept = std::to_string(db.dbData().back().value(photo)->integer());
    const std::string orphan = kept == "5" ? "6" : "5";
    const std::string folder = Paths::imagesFolder(package);
    const std::vector<std::string> leftovers = {orphan, orphan + "_hd", kept + ".new",
                                                "." + kept + ".tmp-abcd1234"};
    // In the order a folder's entries are listed.
    const std::vector<std::string> others = {"0123", kept, kept + "_hd", "notes.txt"};
    for (const auto& name : leftovers) {
        ASSERT_TRUE(FileManager::writeFileAtomically(folder + "/" + name, "x"));
    }
    for (const auto& name : {kept + "_hd", std::string("0123"), std::string("notes.txt")}) {
        ASSERT_TRUE(FileManager::writeFileAtomically(folder + "/" + name, "x"));
    }
    db.setReadOnly(true);
    ASSERT_TRUE(db.openDB(package));
    EXPECT_EQ(FileManager::contentsOfDirectory(folder).size(), leftovers.size() + others.size());
    db.setReadOnly(false);
    ASSERT_TRUE(db.openDB(package));
    EXPECT_EQ(FileManager::contentsOfDirectory(folder), others);
}

TEST(ChoiceItems, ACellLeftEmptyByARebuildFollowsTheItemItShows)
{
    TestLibrary library;
    const std::string package = library.makePackage("Colours");
    DBManager& db = DBManager::sharedIstance();
    const FieldId colour = db.adddbFieldLabel("Colour", FieldType::Choose,
                                              PropertyList(PropertyList::Array{"Red", "Green", "Blue"}));
    ASSERT_TRUE(db.addRecordToDb(emptyRecordEntries()));
    sqliteShell(Paths::databaseFile(package), "update data_table set '" + std::to_string(colour) + "'=NULL");
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());
    ASSERT_EQ(db.dbData()[0].value(colour)->integer(), 0) << "shows Red";
    ASSERT_TRUE(
        db.setdbFieldLabel("Colour", colour, PropertyList(PropertyList::Array{"Blue", "Red", "Green"})));
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());
    EXPECT_EQ(db.dbData()[0].value(colour)->integer(), 1) << "still Red";
}

// -- Exports ---------------------------------------------------------------------------

TEST(ExportDestination, AnExistingPathIsReplacedOnlyWhenAskedAndOnlyByItsOwnKind)
{
    TestLibrary library;
    library.makePackage("Books");
    DBManager::sharedIstance().openDB();
    ScriptedAlerts alerts;
    DatabaseLibrary databases(alerts);
    databases.loadDbArray();
    const std::string home = library.home();
    ASSERT_TRUE(FileManager::createDirectories(home + "/Documents/letters"));
    ASSERT_TRUE(FileManager::writeFileAtomically(home + "/Documents/letters/a.txt", "dear"));
    ASSERT_TRUE(FileManager::writeFileAtomically(home + "/notes.txt", "notes"));
    soundPackage(home + "/Old.dossiva", "older export");
    struct Case {
        const char* name;
        bool package;
        std::string destination;
        bool replace;
        const char* reason;
    };
    const std::vector<Case> refused = {
        {"home folder as a template", false, home, true, "is a folder"},
        {"documents as a package", true, home + "/Documents", true, "not a database package"},
        {"documents without replace", true, home + "/Documents", false, "already exists"},
        {"a file as a package", true, home + "/notes.txt", true, "not a database package"},
        {"a package without replace", true, home + "/Old.dossiva", false, "already exists"},
        {"the library's own folder", true, Paths::databasesFolder(), true, "Dossiva's own data"},
        {"inside the library", true, Paths::databasesFolder() + "/Out.dossiva", false, "Dossiva's own data"},
        {"a folder holding the library", false, home + "/Library", true, "Dossiva's own data"},
        {"a missing folder", false, home + "/nowhere/Books.dossivaTemplate", false, "does not exist"},
    };
    const TreeSnapshot before = snapshotTree(home);
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.package ? databases.exportDossivaFile("Books.dossiva", c.destination, c.replace)
                               : databases.exportTemplate("Books.dossiva", c.destination, c.replace));
        EXPECT_NE(alerts.asked().back().detail.find(c.reason), std::string::npos)
            << alerts.asked().back().detail;
        EXPECT_EQ(snapshotTree(home), before);
    }

    ASSERT_TRUE(databases.exportDossivaFile("Books.dossiva", home + "/Old.dossiva", true));
    EXPECT_EQ(labelOf(home + "/Old.dossiva"), "Name");
    ASSERT_TRUE(databases.exportTemplate("Books.dossiva", home + "/notes.txt", true));
    EXPECT_EQ(sqliteShell(home + "/notes.txt", "select field_name from fields_table"), "Name\n");
    auto beside = FileManager::contentsOfDirectory(home);
    std::erase_if(beside, [](const std::string& name) { return name == "Library"; });
    EXPECT_EQ(beside, (std::vector<std::string>{"Documents", "Old.dossiva", "notes.txt"}));
}

// -- Writes that hit a real limit ---------------------------------------------------------

// Runs an operation in a child process whose files may not grow past 32 KB,
// as on a full disk; its result comes back as the exit status.
bool succeedsWithinFileSizeLimit(const std::function<bool()>& operation)
{
    ChildProcess child;
    EXPECT_TRUE(child.fork([&](int) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{32 * 1024, 32 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return operation() ? 0 : 1;
    }));
    const auto status = child.wait(std::chrono::seconds(60));
    EXPECT_TRUE(status == 0 || status == 1) << "the child ended abnormally: " << status.value_or(-1);
    return status == 0;
}

TEST(FullDisk, EveryWriteThatCannotCompleteFailsAndLeavesEverythingAsItWas)
{
    TestLibrary library;
    const std::string home = library.home();
    const std::string package = library.makePackage("Books");
    DBManager& db = DBManager::sharedIstance();
    const FieldId notes = db.adddbFieldLabel("Notes", FieldType::SmallText, PropertyList::array());
    for (int i = 0; i < 300; ++i) {
        auto entries = emptyRecordEntries();
        entries.front().value = FieldValue::text("title " + std::to_string(i));
        entryFor(entries, notes).value = FieldValue::text(std::string(200, 'n'));
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    ASSERT_TRUE(db.loadDbData());
    ASSERT_TRUE(FileManager::copyItem(Paths::packagePath(package), home + "/Incoming.dossiva"));
    UserDefaults::standard().setString("kept", "as it was");
    ASSERT_TRUE(UserDefaults::standard().synchronize());
    ScriptedAlerts alerts;
    DatabaseLibrary databases(alerts);
    databases.loadDbArray();
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());

    struct Case {
        const char* name;
        std::function<bool()> operation;
    };
    // Saves, field changes, duplicates and exports meet a failing disk in
    // the command line's fault tests; these two are not commands of their own.
    const std::vector<Case> cases = {
        {"package import",
         [&] { return databases.importDossivaFile(home + "/Incoming.dossiva").has_value(); }},
        {"preferences",
         [&] {
             UserDefaults::standard().setString("large", std::string(64 * 1024, 'p'));
             return UserDefaults::standard().synchronize();
         }},
    };
    const TreeSnapshot before = snapshotTree(home);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(succeedsWithinFileSizeLimit(c.operation));
        EXPECT_EQ(snapshotTree(home), before);
    }
    EXPECT_EQ(sqliteShell(Paths::databaseFile(package), "pragma integrity_check"), "ok\n");
}

} // namespace

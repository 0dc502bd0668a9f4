// Files from elsewhere damaged at random: packages, database files and
// templates mutated from a sound one, a page, a structure blob, a picture or
// an entry of the package tree at a time, and imported as a user would. An
// import either refuses the file with its reason, leaving the library as it
// was, or takes a copy that is exactly the file and passes the same checks;
// it never crashes and touches nothing outside the data tree. A slice of
// each kind (40) runs with the tests; DOSSIVA_LONG_CAMPAIGN=1 runs 1000 per kind.
#include "support/CaseNames.h"
#include "support/FaultInjection.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"
#include "support/TreeSnapshot.h"

#include "fields/StructureCodec.h"
#include "library/DatabaseLibrary.h"
#include "library/TemplateCatalog.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/Image.h"
#include "platform/ImageLimits.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/SqliteConnection.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <iostream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using Bytes = std::string;

// Deterministic damage: the same seed always makes the same file.
class Mutator {
public:
    explicit Mutator(std::uint64_t seed) : m_random(seed) {}

    std::size_t below(std::size_t count) { return count == 0 ? 0 : m_random() % count; }
    Bytes garbage(std::size_t most)
    {
        Bytes bytes(below(most + 1), 0);
        for (auto& byte : bytes) {
            byte = static_cast<char>(m_random());
        }
        return bytes;
    }

    // One page-wise or byte-wise change of a file's bytes; the pages are
    // SQLite's (4096 bytes in the files made here).
    void damage(Bytes& bytes)
    {
        constexpr std::size_t kPage = 4096;
        const std::size_t pages = std::max<std::size_t>(1, bytes.size() / kPage);
        const std::size_t page = below(pages) * kPage;
        const std::size_t other = below(pages) * kPage;
        const std::size_t end = std::min(bytes.size(), page + kPage);
        switch (below(7)) {
        case 0: // a few bytes flipped within one page
            for (std::size_t i = 0, n = 1 + below(16); i < n && page < end; ++i) {
                bytes[page + below(end - page)] ^= static_cast<char>(1 + below(255));
            }
            break;
        case 1:
            std::fill(bytes.begin() + static_cast<long>(page), bytes.begin() + static_cast<long>(end), 0);
            break;
        case 2:
        case 3: // two pages swapped, or one copied over another
            if (page != other && end == page + kPage && other + kPage <= bytes.size()) {
                const auto at = [&](std::size_t offset) { return bytes.begin() + static_cast<long>(offset); };
                if (below(2) == 0) {
                    std::swap_ranges(at(page), at(end), at(other));
                } else {
                    std::copy(at(page), at(end), at(other));
                }
            }
            break;
        case 4:
            bytes.resize(below(bytes.size() + 1));
            break;
        case 5: // the header
            for (std::size_t i = 0, n = 1 + below(8); i < n && !bytes.empty(); ++i) {
                bytes[below(std::min<std::size_t>(100, bytes.size()))] = static_cast<char>(m_random());
            }
            break;
        default: {
            const Bytes tail = garbage(2 * kPage);
            bytes.insert(bytes.end(), tail.begin(), tail.end());
        }
        }
    }

    // Now and then a value far outside what is reasonable.
    std::int64_t length(std::size_t size)
    {
        const auto exact = static_cast<std::int64_t>(size);
        const std::int64_t choices[] = {exact, 0, -1, exact + 1, exact / 2, INT64_MAX};
        return choices[below(std::size(choices))];
    }

private:
    std::mt19937_64 m_random;
};

Bytes asBytes(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// Sets one column of one row of a database file to a blob, its length
// column to a length, and maybe the row's type to any number.
void rewriteBlob(const std::string& file, const std::string& sql, const Bytes& blob, std::int64_t length,
                 std::int64_t row)
{
    SqliteConnection db(file, SqliteConnection::Mode::ReadWrite);
    ASSERT_TRUE(db.exec("pragma synchronous=off"));
    SqliteStatement update = db.prepare(sql);
    ASSERT_TRUE(update.isValid() &&
                update.bindBlob(1, reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()) &&
                update.bindInt64(2, length) && update.bindInt64(3, row) && update.run())
        << db.errorMessage();
}

// What a mutation of a package tree adds: links to outside and nowhere,
// a FIFO, a huge sparse picture, a hard link, a folder where a
// file goes, a missing part.
void plantTreeEntry(Mutator& m, const std::string& package, const std::string& outside)
{
    // Through a pictures folder that is already a link, this would write
    // outside.
    if (!FileManager::isRealDirectory(package + "/images")) {
        return;
    }
    const std::string picture = package + "/images/" + std::to_string(m.below(4));
    FileManager::removeItem(picture);
    switch (m.below(9)) {
    case 0:
        ::symlink((outside + "/secret.txt").c_str(), picture.c_str());
        break;
    case 1:
        FileManager::removeItem(package + "/images");
        ::symlink((outside + "/folder").c_str(), (package + "/images").c_str());
        break;
    case 2:
        FileManager::removeItem(package + "/database.db");
        ::symlink((outside + "/other.db").c_str(), (package + "/database.db").c_str());
        break;
    case 3:
        ::mkfifo(picture.c_str(), 0600);
        break;
    case 4: {
        const int fd = ::open(picture.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        (void)::ftruncate(fd, static_cast<off_t>(kMaxPictureFileBytes + 1 + m.below(1000)));
        ::close(fd);
        break;
    }
    case 5:
        ::link((outside + "/secret.txt").c_str(), picture.c_str());
        break;
    case 6:
        FileManager::removeItem(package + "/database.db");
        FileManager::createDirectories(package + "/database.db/x");
        break;
    case 7:
        FileManager::removeItem(package + (m.below(2) == 0 ? "/images" : "/database.db"));
        break;
    default:
        ::symlink(picture.c_str(), picture.c_str()); // a loop
    }
}

struct MutationKind {
    const char* name;
    // Damages the package at the path (its database file for templates).
    std::function<void(Mutator&, const std::string& package, const std::string& outside)> mutate;
    bool isTemplate = false;
};

const auto kSqlitePages = [](Mutator& m, const std::string& package, const std::string&) {
    Bytes bytes = fileContents(package + "/database.db");
    for (std::size_t i = 0, n = 1 + m.below(3); i < n; ++i) {
        m.damage(bytes);
    }
    writeFile(package + "/database.db", bytes);
};

const auto kStructureBlob = [](Mutator& m, const std::string& package, const std::string&) {
    const std::string file = package + "/database.db";
    Bytes blob =
        asBytes(encodeStructure(m.below(2) == 0 ? defaultStructure(FieldType::Choose)
                                                : PropertyList(PropertyList::Array{PropertyList(true)})));
    if (m.below(3) == 0) {
        blob = m.garbage(300);
    } else {
        m.damage(blob);
    }
    rewriteBlob(file,
                m.below(4) == 0
                    ? "update fields_table set field_structure=?,length=?,field_type=id%40-3 where "
                      "id=(select id from fields_table limit 1 offset ?)"
                    : "update fields_table set field_structure=?,length=? where id=(select id from "
                      "fields_table limit 1 offset ?)",
                blob, m.length(blob.size()), static_cast<std::int64_t>(m.below(7)));
};

const auto kLayoutPicture = [](Mutator& m, const std::string& package, const std::string&) {
    Bytes picture =
        asBytes(noisePicture(24, 24, static_cast<unsigned>(m.below(100)))->encodeTiffJpeg().value());
    if (m.below(3) == 0) {
        picture = m.garbage(5000);
    } else {
        m.damage(picture);
    }
    if (m.below(2) == 0) {
        rewriteBlob(package + "/database.db", "update layout_info set bkg_img=?,bkg_length=? where rowid=?",
                    picture, m.length(picture.size()), 1);
    } else {
        writeFile(package + "/images/" + std::to_string(m.below(3)), picture);
    }
};

const auto kPackageTree = [](Mutator& m, const std::string& package, const std::string& outside) {
    for (std::size_t i = 0, n = 1 + m.below(2); i < n; ++i) {
        plantTreeEntry(m, package, outside);
    }
};

class MutatedImport : public ::testing::TestWithParam<MutationKind> {
protected:
    TestLibrary library;
    std::string home = library.home();
    std::string outside = home + "/outside";
    std::string seed = home + "/Seed.dossiva";
    std::string source = home + "/Hostile.dossiva";
    std::string sourceTemplate = home + "/Hostile.dossivaTemplate";

    MutatedImport()
    {
        EXPECT_TRUE(FileManager::createDirectories(outside + "/folder"));
        EXPECT_TRUE(FileManager::writeFileAtomically(outside + "/secret.txt", "private key"));
        library.makePackage("Seed");
        auto& db = DBManager::sharedIstance();
        const FieldId choice =
            db.adddbFieldLabel("Kind", FieldType::Choose, defaultStructure(FieldType::Choose));
        const FieldId a = db.adddbFieldLabel("A", FieldType::Number, defaultStructure(FieldType::Number));
        const FieldId b = db.adddbFieldLabel("B", FieldType::Number, defaultStructure(FieldType::Number));
        db.adddbFieldLabel("A times B", FieldType::Calculation, productFormula(a, b));
        db.adddbFieldLabel("When", FieldType::Date, defaultStructure(FieldType::Date));
        const FieldId photo =
            db.adddbFieldLabel("Photo", FieldType::Image, defaultStructure(FieldType::Image));
        for (int i = 0; i < 40; ++i) {
            auto entries = emptyRecordEntries();
            entryFor(entries, 1).value = FieldValue::text("record " + std::to_string(i));
            entryFor(entries, choice).value = FieldValue::integer(i % 2);
            entryFor(entries, a).value = FieldValue::integer(i);
            if (i < 2) {
                entryFor(entries, photo).image = noisePicture(32, 32, static_cast<unsigned>(i));
            }
            EXPECT_TRUE(db.addRecordToDb(entries));
        }
        const std::string background = home + "/background.png";
        writeFile(background, asBytes(noisePicture(40, 30)->encodeTiffJpeg().value()));
        EXPECT_TRUE(db.saveBackground(background));
        EXPECT_TRUE(FileManager::copyItem(Paths::packagePath("Seed.dossiva"), seed));
        EXPECT_TRUE(FileManager::copyItem(seed + "/database.db", outside + "/other.db"));
        EXPECT_EQ(packageProblem(seed), std::nullopt);
    }

    // Imports the source and checks the outcome; true when it was taken.
    bool importAndCheck()
    {
        ScriptedAlerts alerts;
        DatabaseLibrary databases(alerts);
        const bool isTemplate = GetParam().isTemplate;
        const std::string libraryFolder = isTemplate ? Paths::modelsFolder() : Paths::databasesFolder();
        const auto libraryBefore = FileManager::contentsOfDirectory(libraryFolder);
        const std::string imported = isTemplate ? TemplateCatalog::customTemplateFile("Hostile")
                                                : Paths::packagePath("Hostile.dossiva");
        const bool taken = isTemplate ? databases.importTemplate(sourceTemplate)
                                      : databases.importDossivaFile(source).has_value();
        if (!taken) {
            EXPECT_FALSE(alerts.asked().empty());
            if (!alerts.asked().empty()) {
                EXPECT_EQ(alerts.asked().back().message.rfind("Error during import of Hostile database", 0),
                          0u);
                EXPECT_NE(alerts.asked().back().detail, "");
            }
            EXPECT_EQ(FileManager::contentsOfDirectory(libraryFolder), libraryBefore);
            return false;
        }
        // What was taken is the file itself, and sound by the same checks.
        const std::string file = isTemplate ? imported : imported + "/database.db";
        EXPECT_EQ(fileContents(file), fileContents(isTemplate ? sourceTemplate : source + "/database.db"));
        EXPECT_EQ(isTemplate ? databaseFileProblem(imported) : packageProblem(imported), std::nullopt);
        // A database made from it is read as the screens would read it.
        std::string package = "Hostile.dossiva";
        if (isTemplate) {
            package = "From Template.dossiva";
            EXPECT_EQ(databases.createNewDatabaseCustomTemplate("Hostile", "From Template"),
                      DatabaseLibrary::CreateResult::Created);
        }
        auto& db = DBManager::sharedIstance();
        EXPECT_EQ(db.dbName(), package);
        db.loadDbData();
        db.readFormLayout(true);
        databases.backgroundThumbnail(package, 64);
        for (const auto& name : FileManager::contentsOfDirectory(Paths::imagesFolder(package))) {
            Image::readFile(Paths::imagesFolder(package) + "/" + name, false);
        }
        db.openDB("Seed.dossiva");
        FileManager::removeItem(Paths::packagePath(package));
        FileManager::removeItem(imported);
        return true;
    }
};

TEST_P(MutatedImport, IsRefusedWithItsReasonOrTakenWhole)
{
    const std::size_t runs = longCampaign() ? 1000 : 40;
    const auto outsideFolder = [this] { return snapshotTree(home, {"Library", "Hostile.dossiva"}); };
    const TreeSnapshot before = outsideFolder();
    std::size_t taken = 0;
    for (std::size_t run = 0; run < runs; ++run) {
        Mutator mutator(run * 7919 + std::string_view(GetParam().name).size());
        FileManager::removeItem(source);
        ASSERT_TRUE(FileManager::copyItem(seed, source));
        GetParam().mutate(mutator, source, outside);
        if (GetParam().isTemplate) {
            FileManager::removeItem(sourceTemplate);
            ASSERT_TRUE(FileManager::moveItem(source + "/database.db", sourceTemplate));
        }
        SCOPED_TRACE("run " + std::to_string(run));
        taken += importAndCheck() ? 1 : 0;
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_EQ(outsideFolder(), before);
    std::cout << GetParam().name << ": " << runs << " mutated, " << taken << " taken as sound, "
              << runs - taken << " refused with their reason\n";
}

INSTANTIATE_TEST_SUITE_P(Kinds, MutatedImport,
                         ::testing::Values(MutationKind{"SqlitePages", kSqlitePages},
                                           MutationKind{"TemplatePages", kSqlitePages, true},
                                           MutationKind{"StructureBlob", kStructureBlob},
                                           MutationKind{"TemplateStructureBlob", kStructureBlob, true},
                                           MutationKind{"LayoutPicture", kLayoutPicture},
                                           MutationKind{"PackageTree", kPackageTree}),
                         test::NameOfCase());

} // namespace

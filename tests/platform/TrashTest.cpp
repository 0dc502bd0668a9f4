// Items moved to the desktop's trash as file managers expect them: in the
// trash of their volume, each with an info file that says where it was and
// when, so the file manager can put it back.
#include "support/CaseNames.h"
#include "support/ChildProcess.h"
#include "support/TestHome.h"

#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/FileManager.h"
#include "platform/Trash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

std::string readText(const std::string& path)
{
    const auto bytes = FileManager::readFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("(missing)");
}

// The value of a key of a .trashinfo file.
std::string infoValue(const std::string& info, const std::string& key)
{
    std::smatch match;
    const std::regex line("(^|\n)" + key + "=([^\n]*)\n");
    return std::regex_search(info, match, line) ? match[2].str() : std::string("(no " + key + ")");
}

// Restores an environment variable when it goes out of scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class TrashTest : public ::testing::Test {
protected:
    TestHome home;

    std::string makePackage(const std::string& name)
    {
        const std::string package = home.path() + "/" + name;
        EXPECT_TRUE(FileManager::createDirectories(package + "/images"));
        EXPECT_TRUE(FileManager::writeFileAtomically(package + "/database.db", "records"));
        return package;
    }
};

TEST_F(TrashTest, AFolderGoesWholeToTheHomeTrashWithWhereAndWhen)
{
    const ScopedClockOverride clock(1714570200);
    const std::string package = makePackage("Notes & Co 2024.dossiva");
    const std::string trash = home.path() + "/data/Trash";
    const auto trashed = Trash(home.path() + "/data").moveToTrash(package);
    ASSERT_TRUE(trashed.has_value());
    EXPECT_EQ(*trashed, trash + "/files/Notes & Co 2024.dossiva");
    EXPECT_FALSE(FileManager::exists(package));
    EXPECT_EQ(readText(*trashed + "/database.db"), "records");
    EXPECT_TRUE(FileManager::isRealDirectory(*trashed + "/images"));

    const std::string info = readText(trash + "/info/Notes & Co 2024.dossiva.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
    EXPECT_EQ(infoValue(info, "Path"), home.path() + "/Notes%20%26%20Co%202024.dossiva");
    const std::string when = infoValue(info, "DeletionDate");
    EXPECT_TRUE(std::regex_match(when, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)"))) << when;
    EXPECT_EQ(parseIso8601(when, IsoForm::DateAndTime), 1714570200) << "local time of the deletion";
    for (const char* folder : {"", "/files", "/info"}) {
        struct stat status {};
        ASSERT_EQ(::stat((trash + folder).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u) << folder << ": the trash is private";
    }
}

TEST_F(TrashTest, ItemsOfTheSameNameKeepTheirOwnPlaceAndInfo)
{
    Trash trash(home.path() + "/data");
    std::vector<std::string> places;
    for (const char* content : {"first", "second", "third"}) {
        const std::string package = makePackage("Books.dossiva");
        ASSERT_TRUE(FileManager::writeFileAtomically(package + "/database.db", content));
        const auto trashed = trash.moveToTrash(package);
        ASSERT_TRUE(trashed.has_value()) << trash.lastFailure().reason;
        places.push_back(FileManager::lastPathComponent(*trashed));
        EXPECT_EQ(readText(*trashed + "/database.db"), content);
        EXPECT_EQ(
            infoValue(readText(home.path() + "/data/Trash/info/" + places.back() + ".trashinfo"), "Path"),
            home.path() + "/Books.dossiva");
    }
    EXPECT_EQ(places, (std::vector<std::string>{"Books.dossiva", "Books.dossiva.2", "Books.dossiva.3"}));
}

TEST_F(TrashTest, TheHomeTrashFollowsTheDataHomeOfTheEnvironment)
{
    struct Case {
        const char* name;
        const char* xdgDataHome; // "{HOME}" stands for the test's home
        const char* trash;       // below the test's home
    };
    for (const Case& c :
         {Case{"Unset", nullptr, "/.local/share/Trash"}, Case{"Absolute", "{HOME}/xdg", "/xdg/Trash"},
          Case{"RelativeIsIgnored", "xdg", "/.local/share/Trash"}}) {
        SCOPED_TRACE(c.name);
        std::string value = c.xdgDataHome != nullptr ? c.xdgDataHome : "";
        if (value.rfind("{HOME}", 0) == 0) {
            value = home.path() + value.substr(6);
        }
        const ScopedVariable xdg("XDG_DATA_HOME", c.xdgDataHome != nullptr ? value.c_str() : nullptr);
        const auto trashed = Trash().moveToTrash(makePackage(std::string(c.name) + ".dossiva"));
        EXPECT_EQ(trashed, home.path() + c.trash + "/files/" + c.name + ".dossiva");
    }
}

TEST_F(TrashTest, AnItemThatCannotBeTrashedStaysWhereItWas)
{
    const std::string package = makePackage("Stays.dossiva");
    ASSERT_TRUE(FileManager::writeFileAtomically(home.path() + "/plain", "a file, not a folder"));
    Trash trash(home.path() + "/plain/data");
    EXPECT_FALSE(trash.moveToTrash(package).has_value());
    EXPECT_NE(trash.lastFailure().reason.find(home.path() + "/plain/data"), std::string::npos)
        << trash.lastFailure().reason;
    EXPECT_EQ(readText(package + "/database.db"), "records");

    EXPECT_FALSE(trash.moveToTrash(home.path() + "/missing.dossiva").has_value());
    EXPECT_NE(trash.lastFailure().reason.find("No such file or directory"), std::string::npos);
}

// On another volume, the item goes to that volume's trash. A small tmpfs
// mounted in a private mount namespace stands for the volume; the child that
// mounted it reports what it found, one line each.
struct VolumeCase {
    const char* name;
    mode_t sharedTrash; // the mode of a shared .Trash at the top, or 0 for none
    bool linkedTrash;   // whether the user's own trash there is a link elsewhere
    const char* trash;  // the trash folder below the volume, or nullptr when refused
};

class VolumeTrashTest : public TrashTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeTrashTest, UsesTheTrashAtTheTopOfTheVolume)
{
    const std::string volume = home.path() + "/volume";
    ASSERT_TRUE(FileManager::createDirectory(volume));
    const std::string dataHome = home.path() + "/data";
    ChildProcess child;
    ASSERT_TRUE(child.fork([&](int out) {
        const auto say = [out](const std::string& line) {
            const std::string text = line + "\n";
            return ::write(out, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
        };
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", volume.c_str(), "tmpfs", 0, "size=1m") != 0) {
            return say("skip");
        }
        if (GetParam().sharedTrash != 0) {
            ::mkdir((volume + "/.Trash").c_str(), 0777);
            ::chmod((volume + "/.Trash").c_str(), GetParam().sharedTrash);
        }
        if (GetParam().linkedTrash) {
            ::mkdir((volume + "/elsewhere").c_str(), 0700);
            [[maybe_unused]] const int linked = ::symlink(
                (volume + "/elsewhere").c_str(), (volume + "/.Trash-" + std::to_string(::getuid())).c_str());
        }
        ::mkdir((volume + "/shelf").c_str(), 0755);
        ::mkdir((volume + "/shelf/Garden.dossiva").c_str(), 0755);
        Trash trash(dataHome);
        const auto trashed = trash.moveToTrash(volume + "/shelf/Garden.dossiva");
        if (!trashed) {
            say("refused " + trash.lastFailure().reason);
            return say(FileManager::exists(volume + "/shelf/Garden.dossiva") ? "still there" : "gone");
        }
        const std::string folder = FileManager::parentPath(FileManager::parentPath(*trashed));
        say("trash " + folder.substr(volume.size()));
        say("path " + infoValue(readText(folder + "/info/Garden.dossiva.trashinfo"), "Path"));
        return say(FileManager::exists(volume + "/shelf/Garden.dossiva") ? "still there" : "gone");
    }));
    const auto first = child.readLine(std::chrono::seconds(20));
    ASSERT_TRUE(first.has_value());
    if (*first == "skip") {
        GTEST_SKIP() << "no private mount namespace here (needs root or user namespaces)";
    }
    const std::string uid = std::to_string(::getuid());
    if (GetParam().trash == nullptr) {
        EXPECT_EQ(first->rfind("refused ", 0), 0u) << *first;
        EXPECT_EQ(child.readLine(std::chrono::seconds(5)), "still there");
        return;
    }
    std::string expected = GetParam().trash;
    expected.replace(expected.find("$uid"), 4, uid);
    EXPECT_EQ(*first, "trash " + expected);
    EXPECT_EQ(child.readLine(std::chrono::seconds(5)), "path shelf/Garden.dossiva") << "relative to the top";
    EXPECT_EQ(child.readLine(std::chrono::seconds(5)), "gone");
    EXPECT_FALSE(FileManager::exists(dataHome + "/Trash/files/Garden.dossiva")) << "never across volumes";
}

INSTANTIATE_TEST_SUITE_P(Volumes, VolumeTrashTest,
                         ::testing::Values(VolumeCase{"NoSharedTrash", 0, false, "/.Trash-$uid"},
                                           VolumeCase{"StickySharedTrash", 01777, false, "/.Trash/$uid"},
                                           VolumeCase{"SharedTrashWithoutStickyBitIsNotUsed", 0777, false,
                                                      "/.Trash-$uid"},
                                           VolumeCase{"ALinkInPlaceOfTheTrashIsRefused", 0, true, nullptr}),
                         test::NameOfCase());

} // namespace

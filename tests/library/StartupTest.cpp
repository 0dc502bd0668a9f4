#include "library/Startup.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "support/CaseNames.h"
#include "support/Files.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace dossiva {
namespace {

namespace fs = std::filesystem;

// The folders of the data tree below the home folder, from the top.
const std::vector<std::string> kTree = {
    "/Library/Application Support",
    "/Library/Application Support/Quorva",
    "/Library/Application Support/Quorva/Dossiva",
    "/Library/Application Support/Quorva/Dossiva/Databases",
    "/Library/Application Support/Quorva/Dossiva/Models",
    "/Library/Application Support/Quorva/Dossiva/Backups",
    "/Library/Application Support/Quorva/Dossiva/Backups/iPhone",
    "/Library/Application Support/Quorva/Dossiva/Backups/Mac",
};

// A preferences file's entries as Python's plistlib reads them, each as
// "type:repr" ("bool:True", "int:86400", "str:'Books'").
using Entries = std::map<std::string, std::string>;

Entries readWithPython(const std::string& path)
{
    std::string output;
    const int status = test::runPython("import plistlib, sys\n"
                                       "with open(sys.argv[1], 'rb') as f:\n"
                                       "    d = plistlib.load(f)\n"
                                       "for k in sorted(d):\n"
                                       "    print(k + '=' + type(d[k]).__name__ + ':' + repr(d[k]))\n",
                                       {path}, output);
    EXPECT_EQ(status, 0) << "plistlib could not read " << path;
    Entries entries;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        entries[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return entries;
}

// Writes a preferences file with Python's plistlib from a JSON object.
void writeWithPython(const std::string& path, const std::string& json, bool binary)
{
    fs::create_directories(fs::path(path).parent_path());
    std::string output;
    ASSERT_EQ(test::runPython("import json, plistlib, sys\n"
                              "fmt = plistlib.FMT_BINARY if sys.argv[3] == 'binary' else plistlib.FMT_XML\n"
                              "with open(sys.argv[1], 'wb') as f:\n"
                              "    plistlib.dump(json.loads(sys.argv[2]), f, fmt=fmt)\n",
                              {path, json, binary ? "binary" : "xml"}, output),
              0);
}

const Entries kFirstRunEntries = {
    {"Backup", "int:1"},
    {"STemplates", "int:1"},
    {"SUCheckAtStartup", "bool:True"},
    {"SUScheduledCheckInterval", "int:86400"},
    {"Sorting", "int:2"},
};

class StartupTest : public testing::Test {
protected:
    std::string home(const std::string& tail) const { return m_home.path() + tail; }

    test::TestHome m_home;
};

TEST_F(StartupTest, FirstLaunchMakesTheTreeAndWritesTheDefaults)
{
    ASSERT_EQ(prepareApplicationSupport(), 0);

    for (const std::string& folder : kTree) {
        EXPECT_TRUE(fs::is_directory(home(folder))) << folder;
    }
    // The settings are in the file, with their types, and nothing else is.
    EXPECT_EQ(readWithPython(home("/Library/Preferences/com.quorva.Dossiva.plist")), kFirstRunEntries);
    EXPECT_EQ(Paths::preferencesFile(), home("/Library/Preferences/com.quorva.Dossiva.plist"));
}

TEST_F(StartupTest, SecondLaunchChangesNothing)
{
    ASSERT_EQ(prepareApplicationSupport(), 0);
    UserDefaults::standard().setInteger("Sorting", 0);
    UserDefaults::standard().setBool("SUCheckAtStartup", false);
    ASSERT_TRUE(UserDefaults::standard().synchronize());
    const std::string database = home("/Library/Application Support/Quorva/Dossiva/Databases/Books.dossiva");
    fs::create_directories(database);
    std::ofstream(database + "/database.db") << "rows";
    UserDefaults::resetStandard();

    ASSERT_EQ(prepareApplicationSupport(), 0);

    Entries expected = kFirstRunEntries;
    expected["Sorting"] = "int:0";
    expected["SUCheckAtStartup"] = "bool:False";
    EXPECT_EQ(readWithPython(Paths::preferencesFile()), expected);
    EXPECT_EQ(UserDefaults::standard().integerForKey("Sorting"), 0);
    EXPECT_EQ(test::fileContents(database + "/database.db"), "rows");
}

// Settings found before the first start of this release: in the current
// preferences file or in the file an earlier release kept them in.
struct SettingsCase {
    const char* name;
    friend void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }
    bool legacy;
    bool binary;
    const char* json;
    Entries expected;
};

class StartupSettingsTest : public StartupTest, public testing::WithParamInterface<SettingsCase> {};

TEST_P(StartupSettingsTest, KeepsWhatIsSetAndFillsOnlyWhatIsMissing)
{
    const SettingsCase& c = GetParam();
    writeWithPython(c.legacy ? Paths::legacyPreferencesFile() : Paths::preferencesFile(), c.json, c.binary);
    UserDefaults::resetStandard();

    ASSERT_EQ(prepareApplicationSupport(), 0);

    EXPECT_FALSE(fs::exists(Paths::legacyPreferencesFile()));
    EXPECT_EQ(readWithPython(Paths::preferencesFile()), c.expected);
    // What the program reads now is what the file holds.
    const UserDefaults& defaults = UserDefaults::standard();
    for (const auto& entry : c.expected) {
        EXPECT_TRUE(defaults.has(entry.first)) << entry.first;
    }
    EXPECT_EQ(defaults.has("STemplates"), c.expected.count("STemplates") == 1);
    EXPECT_EQ(defaults.integerForKey("Sorting"), std::stoll(c.expected.at("Sorting").substr(4)));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Preferences, StartupSettingsTest, testing::Values(
    // The earlier release's file is moved, and the first-run settings are
    // not written over the user's.
    SettingsCase{"LegacyMoved", true, false,
                 R"({"Sorting": 0, "LastDB": "Books", "Backup": 2, "Protect": true})",
                 {{"Backup", "int:2"}, {"LastDB", "str:'Books'"}, {"Protect", "bool:True"},
                  {"Sorting", "int:0"}}},
    SettingsCase{"LegacyBinaryMoved", true, true,
                 R"({"Sorting": 1, "Backup": 0, "STemplates": 0, "Section": "2"})",
                 {{"Backup", "int:0"}, {"STemplates", "int:0"}, {"Section", "str:'2'"},
                  {"Sorting", "int:1"}}},
    SettingsCase{"LegacyFilledIn", true, false, R"({"LastDB": "Books"})",
                 {{"Backup", "int:1"}, {"LastDB", "str:'Books'"}, {"STemplates", "int:1"},
                  {"Sorting", "int:2"}}},
    // Templates in sync are switched on only together with a new Backup.
    SettingsCase{"BackupWithoutSTemplates", false, false, R"({"Backup": 1})",
                 {{"Backup", "int:1"}, {"Sorting", "int:2"}}},
    SettingsCase{"SortingKept", false, false, R"({"Sorting": 0})",
                 {{"Backup", "int:1"}, {"STemplates", "int:1"}, {"Sorting", "int:0"}}},
    SettingsCase{"AllSetKept", false, false,
                 R"({"Sorting": 1, "Backup": 2, "STemplates": 0, "SUCheckAtStartup": false})",
                 {{"Backup", "int:2"}, {"STemplates", "int:0"}, {"SUCheckAtStartup", "bool:False"},
                  {"Sorting", "int:1"}}}),
    test::NameOfCase());
// clang-format on

TEST_F(StartupTest, CurrentPreferencesWinOverTheLegacyFile)
{
    writeWithPython(Paths::preferencesFile(), R"({"Sorting": 1, "Backup": 1})", false);
    writeWithPython(Paths::legacyPreferencesFile(), R"({"Sorting": 0, "LastDB": "Old"})", false);
    const std::string legacyBefore = test::fileContents(Paths::legacyPreferencesFile());
    UserDefaults::resetStandard();

    ASSERT_EQ(prepareApplicationSupport(), 0);

    EXPECT_EQ(readWithPython(Paths::preferencesFile()), (Entries{{"Backup", "int:1"}, {"Sorting", "int:1"}}));
    EXPECT_EQ(test::fileContents(Paths::legacyPreferencesFile()), legacyBefore);
}

// A plain file where a folder of the tree belongs: start-up fails, and the
// file and the preferences are left alone. A file high in the tree makes the
// folders below it impossible to create; one at a data folder would leave a
// folder that every later save into it trips over.
class StartupObstacleTest : public StartupTest, public testing::WithParamInterface<std::string> {};

TEST_P(StartupObstacleTest, PlainFileInTheTreeFailsTheStart)
{
    const std::string obstacle = home(GetParam());
    fs::create_directories(fs::path(obstacle).parent_path());
    std::ofstream(obstacle) << "not a folder";

    EXPECT_EQ(prepareApplicationSupport(), -1);

    EXPECT_EQ(test::fileContents(obstacle), "not a folder");
    EXPECT_FALSE(fs::exists(Paths::preferencesFile()));
}

INSTANTIATE_TEST_SUITE_P(Obstacles, StartupObstacleTest, testing::ValuesIn(kTree),
                         [](const auto& c) { return test::caseName(fs::path(c.param).filename().string()); });

} // namespace
} // namespace dossiva

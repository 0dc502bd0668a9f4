#include "platform/UserDefaults.h"
#include "platform/PropertyList.h"

#include "support/CaseNames.h"
#include "support/Files.h"
#include "support/LogCapture.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using test::PrintTo;

namespace fs = std::filesystem;
using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;
using test::LogCapture;

class UserDefaultsTest : public testing::Test {
protected:
    std::string preferencesFile() const
    {
        return m_home.path() + "/Library/Preferences/com.quorva.Dossiva.plist";
    }

    test::TestHome m_home;
};

// How a value stored under a key reads through each typed getter.
struct Coercion {
    const char* name;
    PropertyList value;
    bool asBool;
    std::int64_t asInteger;
    double asDouble;
    std::optional<std::string> asString;
};

class TypedRead : public UserDefaultsTest, public testing::WithParamInterface<Coercion> {};

TEST_P(TypedRead, FollowsThePlatformsCoercions)
{
    const Coercion& c = GetParam();
    UserDefaults(preferencesFile()).set("key", c.value);
    const UserDefaults reader(preferencesFile());
    EXPECT_EQ(reader.boolForKey("key"), c.asBool);
    EXPECT_EQ(reader.integerForKey("key"), c.asInteger);
    EXPECT_DOUBLE_EQ(reader.doubleForKey("key"), c.asDouble);
    EXPECT_EQ(reader.stringForKey("key"), c.asString);
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, TypedRead, testing::Values(
    //       name                 stored value                                     bool   integer  double  string
    Coercion{"True",              PropertyList(true),                              true,  1,       1.0,    "1"},
    Coercion{"False",             PropertyList(false),                             false, 0,       0.0,    "0"},
    Coercion{"Zero",              PropertyList(0),                                 false, 0,       0.0,    "0"},
    Coercion{"Negative",          PropertyList(-3),                                true,  -3,      -3.0,   "-3"},
    Coercion{"Real",              PropertyList(2.75),                              true,  2,       2.75,   "2.75"},
    Coercion{"NegativeReal",      PropertyList(-2.75),                             true,  -2,      -2.75,  "-2.75"},
    Coercion{"WholeReal",         PropertyList(245.0),                             true,  245,     245.0,  "245"},
    Coercion{"RealZero",          PropertyList(0.0),                               false, 0,       0.0,    "0"},
    Coercion{"YES",               PropertyList("YES"),                             true,  0,       0.0,    "YES"},
    Coercion{"yes",               PropertyList("yes"),                             true,  0,       0.0,    "yes"},
    Coercion{"TrueText",          PropertyList("true"),                            true,  0,       0.0,    "true"},
    Coercion{"CapitalTrueText",   PropertyList("True"),                            true,  0,       0.0,    "True"},
    Coercion{"NO",                PropertyList("NO"),                              false, 0,       0.0,    "NO"},
    Coercion{"FalseText",         PropertyList("false"),                           false, 0,       0.0,    "false"},
    Coercion{"OneText",           PropertyList("1"),                               true,  1,       1.0,    "1"},
    Coercion{"ZeroText",          PropertyList("0"),                               false, 0,       0.0,    "0"},
    Coercion{"SectionText",       PropertyList("2"),                               true,  2,       2.0,    "2"},
    Coercion{"Padded",            PropertyList("  42abc"),                         true,  42,      42.0,   "  42abc"},
    Coercion{"Signed",            PropertyList("-7"),                              true,  -7,      -7.0,   "-7"},
    Coercion{"LeadingZeros",      PropertyList("007"),                             true,  7,       7.0,    "007"},
    Coercion{"Fraction",          PropertyList("0.5"),                             false, 0,       0.5,    "0.5"},
    Coercion{"FractionAboveOne",  PropertyList("3.9"),                             true,  3,       3.9,    "3.9"},
    Coercion{"Exponent",          PropertyList("1e3"),                             true,  1,       1000.0, "1e3"},
    Coercion{"Empty",             PropertyList(""),                                false, 0,       0.0,    ""},
    Coercion{"Word",              PropertyList("hello"),                           false, 0,       0.0,    "hello"},
    Coercion{"Overflow",          PropertyList("99999999999999999999"),            true,  kMax,    1e20,   "99999999999999999999"},
    Coercion{"Underflow",         PropertyList("-99999999999999999999"),           true,  kMin,    -1e20,  "-99999999999999999999"},
    Coercion{"Data",              PropertyList(PropertyList::Data{1}),             false, 0,       0.0,    std::nullopt},
    Coercion{"Date",              PropertyList(PropertyList::Date{5}),             false, 0,       0.0,    std::nullopt},
    Coercion{"List",              PropertyList(Array{1}),                          false, 0,       0.0,    std::nullopt},
    Coercion{"Dictionary",        PropertyList(Dictionary{{"a", 1}}),              false, 0,       0.0,    std::nullopt}),
    test::NameOfCase());
// clang-format on

TEST_F(UserDefaultsTest, RemoveIsWrittenAtOnce)
{
    UserDefaults writer(preferencesFile());
    writer.setInteger("Backup", 1);
    writer.setInteger("STemplates", 1);
    writer.remove("Backup");
    writer.remove("never there");
    EXPECT_FALSE(writer.has("Backup"));
    const UserDefaults reader(preferencesFile());
    EXPECT_FALSE(reader.has("Backup"));
    EXPECT_EQ(reader.integerForKey("STemplates"), 1);
}

TEST_F(UserDefaultsTest, AMissingFileIsAnEmptyStoreAndIsNotCreatedByReading)
{
    const LogCapture log;
    UserDefaults defaults(preferencesFile());
    EXPECT_FALSE(defaults.has("Sorting"));
    EXPECT_FALSE(defaults.boolForKey("Sorting"));
    EXPECT_EQ(defaults.integerForKey("Sorting"), 0);
    EXPECT_EQ(defaults.doubleForKey("Sorting"), 0.0);
    EXPECT_EQ(defaults.stringForKey("Sorting"), std::nullopt);
    EXPECT_FALSE(fs::exists(preferencesFile()));
    EXPECT_TRUE(log.messages().empty());
    // The first write makes the Preferences folder and its parents.
    EXPECT_FALSE(fs::exists(m_home.path() + "/Library"));
    defaults.setInteger("Sorting", 2);
    EXPECT_TRUE(fs::is_regular_file(preferencesFile()));
}

TEST_F(UserDefaultsTest, ACorruptFileIsAnEmptyStoreAndIsKeptUntilTheNextWrite)
{
    for (const std::string& content : std::vector<std::string>{
             std::string("\x00\xff garbage \x01<plist>", 19),
             "<?xml version=\"1.0\"?><plist><array/></plist>", "bplist00 not really", ""}) {
        SCOPED_TRACE(content);
        test::writeFile(preferencesFile(), content);
        const LogCapture log;
        UserDefaults defaults(preferencesFile());
        EXPECT_FALSE(defaults.has("Sorting"));
        EXPECT_FALSE(defaults.boolForKey("Protect"));
        EXPECT_TRUE(log.mentions(preferencesFile()));
        EXPECT_EQ(test::fileContents(preferencesFile()), content);

        defaults.setInteger("Sorting", 1);
        const UserDefaults reader(preferencesFile());
        EXPECT_EQ(reader.integerForKey("Sorting"), 1);
    }
}

TEST_F(UserDefaultsTest, ABinaryPreferencesFileIsReadToo)
{
    const auto bytes = PropertyList(Dictionary{{"Sorting", 1}, {"Protect", true}}).toBinary();
    test::writeFile(preferencesFile(), std::string(bytes.begin(), bytes.end()));
    const UserDefaults defaults(preferencesFile());
    EXPECT_EQ(defaults.integerForKey("Sorting"), 1);
    EXPECT_TRUE(defaults.boolForKey("Protect"));
}

TEST_F(UserDefaultsTest, PythonReadsTheFileWithTheRightTypes)
{
    {
        UserDefaults defaults(preferencesFile());
        defaults.setBool("SUCheckAtStartup", true);
        defaults.setInteger("SUScheduledCheckInterval", 86400);
        defaults.setInteger("Sorting", 2);
        defaults.setInteger("Neg", -3);
        defaults.setString("Section", "1");
        defaults.setString("LastDB", "Caf\xC3\xA9");
        defaults.setDouble("Ratio", 0.25);
        defaults.set("SULastCheckTime", PropertyList(PropertyList::Date{1589711400.0}));
        defaults.set("LastSyncedDbs", PropertyList(Array{"A", "B"}));
        defaults.set("Blob", PropertyList(PropertyList::Data{1, 2}));
        ASSERT_TRUE(defaults.synchronize());
    }
    const std::string script = "import sys, plistlib\n"
                               "with open(sys.argv[1], 'rb') as f:\n"
                               "    head = f.read(6)\n"
                               "    f.seek(0)\n"
                               "    v = plistlib.load(f, fmt=plistlib.FMT_XML)\n"
                               "print(ascii(head))\n"
                               "for k in sorted(v):\n"
                               "    print(k, type(v[k]).__name__, ascii(v[k]))\n";
    std::string output;
    ASSERT_EQ(test::runPython(script, {preferencesFile()}, output), 0) << output;
    EXPECT_EQ(output, "b'<?xml '\n"
                      "Blob bytes b'\\x01\\x02'\n"
                      "LastDB str 'Caf\\xe9'\n"
                      "LastSyncedDbs list ['A', 'B']\n"
                      "Neg int -3\n"
                      "Ratio float 0.25\n"
                      "SUCheckAtStartup bool True\n"
                      "SULastCheckTime datetime datetime.datetime(2020, 5, 17, 10, 30)\n"
                      "SUScheduledCheckInterval int 86400\n"
                      "Section str '1'\n"
                      "Sorting int 2\n");
}

TEST_F(UserDefaultsTest, WritesLeaveNoTemporaryFilesBehind)
{
    UserDefaults defaults(preferencesFile());
    for (int i = 0; i < 20; ++i) {
        defaults.setInteger("Counter", i);
    }
    EXPECT_EQ(test::folderEntries(fs::path(preferencesFile()).parent_path()),
              std::vector<std::string>{"com.quorva.Dossiva.plist"});
    EXPECT_EQ(UserDefaults(preferencesFile()).integerForKey("Counter"), 19);
}

TEST_F(UserDefaultsTest, AFailedWriteIsReportedAndLogged)
{
    // Tests run as root, so permissions stop nothing: make the file's path a
    // folder, which no rename can replace.
    fs::create_directories(preferencesFile());
    LogCapture log;
    UserDefaults defaults(preferencesFile());
    EXPECT_FALSE(defaults.has("Sorting")) << "an unreadable path is an empty store";
    EXPECT_TRUE(log.mentions(preferencesFile()));
    defaults.setInteger("Sorting", 2);
    EXPECT_TRUE(log.mentions("cannot write"));
    EXPECT_EQ(defaults.integerForKey("Sorting"), 2); // still held in memory
    EXPECT_FALSE(defaults.synchronize());
    EXPECT_EQ(test::folderEntries(fs::path(preferencesFile()).parent_path()),
              std::vector<std::string>{"com.quorva.Dossiva.plist"});

    // The Preferences folder cannot be made under a plain file either.
    const std::string blocked = m_home.path() + "/Blocked/Preferences/x.plist";
    test::writeFile(m_home.path() + "/Blocked", "a file");
    UserDefaults elsewhere(blocked);
    EXPECT_FALSE(elsewhere.synchronize());

    // Once the way is clear, the next write succeeds.
    fs::remove(preferencesFile());
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(UserDefaults(preferencesFile()).integerForKey("Sorting"), 2);
}

TEST_F(UserDefaultsTest, ReloadDropsWhatAnotherWriterReplaced)
{
    UserDefaults first(preferencesFile());
    first.setInteger("Sorting", 0);
    UserDefaults second(preferencesFile());
    second.setInteger("Sorting", 1);
    EXPECT_EQ(first.integerForKey("Sorting"), 0);
    first.reload();
    EXPECT_EQ(first.integerForKey("Sorting"), 1);
}

TEST(UserDefaultsStandardTest, FollowsTheHomeFolderAcrossResets)
{
    UserDefaults* standard = nullptr;
    {
        test::TestHome home;
        standard = &UserDefaults::standard();
        EXPECT_EQ(standard->filePath(), home.path() + "/Library/Preferences/com.quorva.Dossiva.plist");
        standard->setInteger("Sorting", 1);
        EXPECT_TRUE(fs::is_regular_file(standard->filePath()));

        // A reset re-reads the same file.
        test::writeFile(standard->filePath(),
                        PropertyList(Dictionary{{"Sorting", 0}, {"Backup", 1}}).toXml());
        UserDefaults::resetStandard();
        EXPECT_EQ(UserDefaults::standard().integerForKey("Backup"), 1);
        EXPECT_EQ(UserDefaults::standard().integerForKey("Sorting"), 0);
    }
    {
        test::TestHome other;
        UserDefaults& again = UserDefaults::standard();
        EXPECT_EQ(&again, standard); // one instance, re-pointed in place
        EXPECT_EQ(again.filePath(), other.path() + "/Library/Preferences/com.quorva.Dossiva.plist");
        EXPECT_FALSE(again.has("Sorting"));
        EXPECT_FALSE(again.has("Backup"));
    }
}

} // namespace
} // namespace dossiva

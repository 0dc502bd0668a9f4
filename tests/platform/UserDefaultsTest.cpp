#include "platform/UserDefaults.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {
namespace {

namespace fs = std::filesystem;
using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;

// Collects the developer log of one test.
class LogCapture {
public:
    LogCapture()
        : m_previous(setDevLogSink([this](const std::string& message) { m_messages.push_back(message); }))
    {
    }
    ~LogCapture() { setDevLogSink(m_previous); }

    bool mentions(const std::string& text) const
    {
        for (const auto& message : m_messages) {
            if (message.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    bool empty() const { return m_messages.empty(); }

private:
    std::vector<std::string> m_messages;
    DevLogSink m_previous;
};

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class UserDefaultsTest : public testing::Test {
protected:
    std::string preferencesFile() const
    {
        return m_home.path() + "/Library/Preferences/com.quorva.Dossiva.plist";
    }

    test::TestHome m_home;
};

TEST_F(UserDefaultsTest, ValuesSurviveTheFile)
{
    const std::vector<std::pair<std::string, PropertyList>> values = {
        {"Sorting", PropertyList(2)},
        {"Protect", PropertyList(true)},
        {"Off", PropertyList(false)},
        {"Negative", PropertyList(std::int64_t{-5000000000})},
        {"Max", PropertyList(std::numeric_limits<std::int64_t>::max())},
        {"Ratio", PropertyList(0.1)},
        {"LastDB", PropertyList("Caf\xC3\xA9 & <Books>")},
        {"Empty", PropertyList("")},
        {"Blob", PropertyList(PropertyList::Data{0, 1, 254, 255})},
        {"SULastCheckTime", PropertyList(PropertyList::Date{1589711400.0})},
        {"LastSyncedDbs", PropertyList(Array{"A.dossiva", "B.dossiva"})},
        {"csv export", PropertyList(Dictionary{{"sep", ","}, {"cols", PropertyList(Array{1, 2})}})},
    };
    {
        UserDefaults writer(preferencesFile());
        for (const auto& [key, value] : values) {
            writer.set(key, value);
        }
        EXPECT_TRUE(writer.synchronize());
    }
    const UserDefaults reader(preferencesFile());
    for (const auto& [key, value] : values) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(reader.has(key));
        const auto read = reader.object(key);
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(*read == value);
    }
    EXPECT_FALSE(reader.has("Missing"));
    EXPECT_FALSE(reader.object("Missing").has_value());
}

TEST_F(UserDefaultsTest, TypedSettersWriteTheirKinds)
{
    {
        UserDefaults writer(preferencesFile());
        writer.setBool("b", true);
        writer.setInteger("i", -12);
        writer.setDouble("d", 2.5);
        writer.setString("s", "2");
    }
    const UserDefaults reader(preferencesFile());
    EXPECT_EQ(reader.object("b")->kind(), PropertyList::Kind::Boolean);
    EXPECT_EQ(reader.object("i")->kind(), PropertyList::Kind::Integer);
    EXPECT_EQ(reader.object("d")->kind(), PropertyList::Kind::Real);
    EXPECT_EQ(reader.object("s")->kind(), PropertyList::Kind::String);
    EXPECT_TRUE(reader.boolForKey("b"));
    EXPECT_EQ(reader.integerForKey("i"), -12);
    EXPECT_EQ(reader.doubleForKey("d"), 2.5);
    EXPECT_EQ(reader.stringForKey("s"), "2");
}

TEST_F(UserDefaultsTest, TypedReadsFollowThePlatformsCoercions)
{
    struct Row {
        const char* key;
        PropertyList value;
        bool asBool;
        std::int64_t asInteger;
        double asDouble;
        std::optional<std::string> asString;
    };
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    const std::vector<Row> rows = {
        {"true", PropertyList(true), true, 1, 1.0, "1"},
        {"false", PropertyList(false), false, 0, 0.0, "0"},
        {"zero", PropertyList(0), false, 0, 0.0, "0"},
        {"negative", PropertyList(-3), true, -3, -3.0, "-3"},
        {"real", PropertyList(2.75), true, 2, 2.75, "2.75"},
        {"negative real", PropertyList(-2.75), true, -2, -2.75, "-2.75"},
        {"whole real", PropertyList(245.0), true, 245, 245.0, "245"},
        {"real zero", PropertyList(0.0), false, 0, 0.0, "0"},
        {"YES", PropertyList("YES"), true, 0, 0.0, "YES"},
        {"yes", PropertyList("yes"), true, 0, 0.0, "yes"},
        {"true text", PropertyList("true"), true, 0, 0.0, "true"},
        {"True text", PropertyList("True"), true, 0, 0.0, "True"},
        {"NO", PropertyList("NO"), false, 0, 0.0, "NO"},
        {"false text", PropertyList("false"), false, 0, 0.0, "false"},
        {"one", PropertyList("1"), true, 1, 1.0, "1"},
        {"zero text", PropertyList("0"), false, 0, 0.0, "0"},
        {"section", PropertyList("2"), true, 2, 2.0, "2"},
        {"padded", PropertyList("  42abc"), true, 42, 42.0, "  42abc"},
        {"signed", PropertyList("-7"), true, -7, -7.0, "-7"},
        {"leading zeros", PropertyList("007"), true, 7, 7.0, "007"},
        {"fraction", PropertyList("0.5"), false, 0, 0.5, "0.5"},
        {"fraction above one", PropertyList("3.9"), true, 3, 3.9, "3.9"},
        {"exponent", PropertyList("1e3"), true, 1, 1000.0, "1e3"},
        {"empty", PropertyList(""), false, 0, 0.0, ""},
        {"word", PropertyList("hello"), false, 0, 0.0, "hello"},
        {"overflow", PropertyList("99999999999999999999"), true, kMax, 1e20, "99999999999999999999"},
        {"underflow", PropertyList("-99999999999999999999"), true, kMin, -1e20, "-99999999999999999999"},
        {"data", PropertyList(PropertyList::Data{1}), false, 0, 0.0, std::nullopt},
        {"date", PropertyList(PropertyList::Date{5}), false, 0, 0.0, std::nullopt},
        {"list", PropertyList(Array{1}), false, 0, 0.0, std::nullopt},
        {"dict", PropertyList(Dictionary{{"a", 1}}), false, 0, 0.0, std::nullopt},
    };
    {
        UserDefaults writer(preferencesFile());
        for (const Row& row : rows) {
            writer.set(row.key, row.value);
        }
    }
    const UserDefaults reader(preferencesFile());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(reader.boolForKey(row.key), row.asBool);
        EXPECT_EQ(reader.integerForKey(row.key), row.asInteger);
        EXPECT_DOUBLE_EQ(reader.doubleForKey(row.key), row.asDouble);
        EXPECT_EQ(reader.stringForKey(row.key), row.asString);
    }
    EXPECT_FALSE(reader.boolForKey("missing"));
    EXPECT_EQ(reader.integerForKey("missing"), 0);
    EXPECT_EQ(reader.doubleForKey("missing"), 0.0);
    EXPECT_EQ(reader.stringForKey("missing"), std::nullopt);
}

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
    EXPECT_EQ(defaults.integerForKey("Sorting"), 0);
    EXPECT_FALSE(fs::exists(preferencesFile()));
    EXPECT_TRUE(log.empty());
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
        writeText(preferencesFile(), content);
        const LogCapture log;
        UserDefaults defaults(preferencesFile());
        EXPECT_FALSE(defaults.has("Sorting"));
        EXPECT_FALSE(defaults.boolForKey("Protect"));
        EXPECT_TRUE(log.mentions(preferencesFile()));
        EXPECT_EQ(readText(preferencesFile()), content);

        defaults.setInteger("Sorting", 1);
        const UserDefaults reader(preferencesFile());
        EXPECT_EQ(reader.integerForKey("Sorting"), 1);
    }
}

TEST_F(UserDefaultsTest, AnUnreadablePathIsAnEmptyStore)
{
    fs::create_directories(preferencesFile()); // a folder where the file should be
    const LogCapture log;
    const UserDefaults defaults(preferencesFile());
    EXPECT_FALSE(defaults.has("Sorting"));
    EXPECT_TRUE(log.mentions(preferencesFile()));
}

TEST_F(UserDefaultsTest, ABinaryPreferencesFileIsReadToo)
{
    const auto bytes = PropertyList(Dictionary{{"Sorting", 1}, {"Protect", true}}).toBinary();
    writeText(preferencesFile(), std::string(bytes.begin(), bytes.end()));
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
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(preferencesFile()).parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"com.quorva.Dossiva.plist"});
    EXPECT_EQ(UserDefaults(preferencesFile()).integerForKey("Counter"), 19);
}

TEST_F(UserDefaultsTest, AFailedWriteIsReportedAndLogged)
{
    // Tests run as root, so permissions stop nothing: make the file's path a
    // folder, which no rename can replace.
    fs::create_directories(preferencesFile());
    LogCapture log;
    UserDefaults defaults(preferencesFile());
    defaults.setInteger("Sorting", 2);
    EXPECT_TRUE(log.mentions("cannot write"));
    EXPECT_EQ(defaults.integerForKey("Sorting"), 2); // still held in memory
    EXPECT_FALSE(defaults.synchronize());
    const std::string folder = fs::path(preferencesFile()).parent_path().string();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"com.quorva.Dossiva.plist"});

    // The Preferences folder cannot be made under a plain file either.
    const std::string blocked = m_home.path() + "/Blocked/Preferences/x.plist";
    writeText(m_home.path() + "/Blocked", "a file");
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
        writeText(standard->filePath(), PropertyList(Dictionary{{"Sorting", 0}, {"Backup", 1}}).toXml());
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

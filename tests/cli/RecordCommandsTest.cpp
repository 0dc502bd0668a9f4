// dossiva-cli's record commands on a real data tree: values of every type
// in and out, the number rule, pictures, search, sort and deletion.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Image.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

using JsonRecord = std::map<std::string, std::string>;

// The text a JSON string holds.
std::string jsonText(const std::string& json)
{
    std::string text;
    EXPECT_EQ(runPython("import json,sys; print(json.loads(sys.argv[1]), end='')", {json}, text), 0) << json;
    return text;
}

class RecordCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Shop");

    // Adds a record and returns its id as printed.
    std::string addRecord(const std::vector<std::string>& values, const std::string& input = {})
    {
        std::vector<std::string> args{"add-record", "Shop"};
        args.insert(args.end(), values.begin(), values.end());
        std::string id = ok(args, input);
        if (!id.empty() && id.back() == '\n') {
            id.pop_back();
        }
        return id;
    }

    std::string writePicture(const std::string& name, int width, int height)
    {
        const std::string path = library.home() + "/" + name + ".tiff";
        EXPECT_TRUE(solidPicture(width, height, {90, 90, 90, 90})->writeTiffJpeg(path));
        return path;
    }
};

const std::map<std::string, std::string> kParis = {{"TZ", "Europe/Paris"}};

TEST_F(RecordCommandsTest, EveryTypeTravelsThroughAddRecordJsonAndSet)
{
    addFieldOfEveryType("Shop");
    const std::string picture = writePicture("photo", 640, 480);
    const CliResult added =
        runCli({"add-record", "Shop", "Name=Lamp", "Note=a \"quoted\" note", "Story=line 1\nline 2",
                "Price=1,5", "Quantity=12 000", "Day=2024-05-01", "Hour=1714570200",
                "Moment=2024-05-01T14:30", "Photo=" + picture, "Colour=Green", "Mail=ann@example.org",
                "Web=example.org", "Paid=yes", "Secret=-"},
               "pa ss\\word\n", kParis);
    ASSERT_EQ(added.status, 0) << added.err;
    const std::string id = added.out.substr(0, added.out.size() - 1);

    const auto listed = recordsJson("Shop", {});
    ASSERT_EQ(listed.size(), 1u);
    JsonRecord first = listed[0];
    EXPECT_EQ(first["RECID"], id);
    EXPECT_EQ(first["Name"], "\"Lamp\"");
    EXPECT_EQ(first["Note"], "\"a \\\"quoted\\\" note\"");
    EXPECT_EQ(first["Story"], "\"line 1\\nline 2\"");
    EXPECT_EQ(first["Price"], "1.5") << "a number is a JSON number";
    EXPECT_EQ(first["Quantity"], "12000");
    EXPECT_EQ(first["Total"], "18000");
    EXPECT_EQ(first["Colour"], "\"Green\"");
    EXPECT_EQ(first["Paid"], "true");
    EXPECT_EQ(first["Secret"], "\"pa ss\\\\word\"");
    EXPECT_EQ(first["Mail"], "\"ann@example.org\"");
    EXPECT_EQ(first["modified"], "null") << "made in one step, never modified";
    EXPECT_EQ(first.count("Line"), 0u) << "a separator holds no value";
    EXPECT_EQ(first["Photo"].rfind("\"" + Paths::imagesFolder(package) + "/", 0), 0u)
        << "a picture is the path of its file: " << first["Photo"];

    // The same dates, read in Paris and shown in Paris.
    const CliResult paris = runCli({"records", "Shop", "--format", "csv"}, {}, kParis);
    EXPECT_NE(
        paris.out.find(",2024-05-01T00:00:00+02:00,2024-05-01T15:30:00+02:00,2024-05-01T14:30:00+02:00,"),
        std::string::npos)
        << paris.out;

    // Every value the JSON gave, set again as it came (the picture from a
    // new file), leaves every value as it was.
    const std::string secondPicture = writePicture("other", 100, 200);
    std::vector<std::string> set{"set", "Shop", id};
    for (const auto& [key, json] : first) {
        if (key == "RECID" || key == "created" || key == "modified" || key == "Total") {
            continue;
        }
        std::string value = json == "null" ? "" : json;
        if (key == "Photo") {
            value = secondPicture;
        } else if (value.front() == '"') {
            value = jsonText(json);
        }
        set.push_back(key + "=" + value);
    }
    const CliResult changed = runCli(set, {}, kParis);
    ASSERT_EQ(changed.status, 0) << changed.err;
    JsonRecord second = recordsJson("Shop", {})[0];
    EXPECT_NE(second["modified"], "null");
    for (const auto& [key, json] : first) {
        if (key != "modified") {
            EXPECT_EQ(second[key], json) << key;
        }
    }
    EXPECT_EQ(second["Photo"], first["Photo"]);
    const auto stored = Image::readFile(jsonText(second["Photo"]));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->width(), 160) << "the new picture replaced the old under the same number";
    EXPECT_EQ(stored->height(), 320);
}

struct ValueRefusalCase {
    const char* name;
    const char* assignment;
    const char* message;
};

class ValueRefusalTest : public RecordCommandsTest, public testing::WithParamInterface<ValueRefusalCase> {};

TEST_P(ValueRefusalTest, RefusesTheValueAndAddsNothing)
{
    addFieldOfEveryType("Shop");
    const CliResult result = runCli({"add-record", "Shop", "Name=x", GetParam().assignment});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, std::string("dossiva-cli: ") + GetParam().message + "\n");
    EXPECT_TRUE(recordsJson("Shop").empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, ValueRefusalTest, testing::Values(
    ValueRefusalCase{"Number", "Price=1.50", "The value of a number field must be a number. Please enter only numbers "
        "in this field. (\"Price\": \"1.50\")"},
    ValueRefusalCase{"UnknownItem", "Colour=Blue", "\"Blue\" is not an item of \"Colour\" (items: Red, Green, Dark Blue)"},
    ValueRefusalCase{"Checkbox", "Paid=maybe", "a checkbox takes 1, 0, true, false, yes or no, not \"maybe\""},
    ValueRefusalCase{"Date", "Day=May 1st",
        "\"May 1st\" is not a date (2024-05-01, 2024-05-01T14:30, whole seconds) for \"Day\""},
    ValueRefusalCase{"Calculation", "Total=5", "\"Total\" is a Calculation Field and holds no value to set"},
    ValueRefusalCase{"Separator", "Line=x", "\"Line\" is a Separator Field and holds no value to set"},
    ValueRefusalCase{"MissingPicture", "Photo=/nonexistent.png",
        "cannot read a picture (TIFF, PNG or JPEG) from \"/nonexistent.png\""},
    ValueRefusalCase{"PasswordWithoutInput", "Secret=-", "no password line on standard input"},
    ValueRefusalCase{"UnknownField", "Colur=Red", "\"Shop\" has no field \"Colur\""},
    ValueRefusalCase{"NoEquals", "Colour", "expected FIELD=VALUE, not \"Colour\""},
    ValueRefusalCase{"GivenTwice", "Name=y", "\"Name\" is given more than once"}),
    test::NameOfCase());
// clang-format on

TEST_F(RecordCommandsTest, JsonStaysValidWhateverATextHolds)
{
    ok({"add-field", "Shop", "Note", "small"});
    ok({"add-field", "Shop", "Price", "number"});
    ok({"add-field", "Shop", "Long", "small"});
    // Escapes well past the first eight bytes, which are judged together.
    addRecord({"Name=tab\there \\ back", std::string("Note=bell\x07 bad\xff byte \xc3\xa9"), "Price=",
               "Long=plain words, then \"quoted\" text \xc2\x85 and \xf0\x9f\x98\x80 at the end\\"});
    const auto records = recordsJson("Shop");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("Long"),
              "\"plain words, then \\\"quoted\\\" text \\u0085 and \\ud83d\\ude00 at the end\\\\\"");
    EXPECT_EQ(records[0].at("Name"), "\"tab\\there \\\\ back\"");
    EXPECT_EQ(records[0].at("Note"), "\"bell\\u0007 bad\\ufffd byte \\u00e9\"");
    EXPECT_EQ(records[0].at("Price"), "null") << "an empty number";
}

TEST_F(RecordCommandsTest, LabelsNeverCollideWithTheRecordsOwnKeys)
{
    for (const char* label : {"RECID", "created", "fields"}) {
        ok({"add-field", "Shop", label, "small"});
    }
    const std::string id = addRecord({"Name=Lamp", "RECID=my own id", "created=yesterday", "fields=three"});
    std::string checked;
    EXPECT_EQ(
        runPython(
            "import json, sys\n"
            "[record] = json.loads(sys.argv[1])\n"
            "assert record['RECID'] == int(sys.argv[2]), record\n"
            "assert record['created'].startswith('2'), record\n"
            "assert record['fields'] == {'Name': 'Lamp', 'RECID': 'my own id', 'created': 'yesterday',\n"
            "                            'fields': 'three'}, record\n",
            {ok({"records", "Shop", "--format", "json"}), id}, checked),
        0)
        << checked;
}

TEST_F(RecordCommandsTest, SearchAndSortFlagsReachTheApplicationsRules)
{
    // The rules themselves are the core's tables; here, each flag reaches them.
    ok({"add-field", "Shop", "Colour", "choose", "--items", "Red,Dark Green"});
    const std::string apple = addRecord({"Name=apple pie", "Colour=Dark Green"});
    const std::string banana = addRecord({"Name=Banana"});
    const std::string cherry = addRecord({"Name=cherry"});
    sqliteShell(Paths::databaseFile(package), "update data_table set create_date=case id when " + apple +
                                                  " then 1000000000 when " + banana +
                                                  " then 999999999 else 1000000500 end");
    const std::string copy = ok({"duplicate-record", "Shop", apple});
    const std::string copyId = copy.substr(0, copy.size() - 1);
    auto idsOf = [&](const std::vector<std::string>& flags) {
        std::string ids;
        for (auto& record : recordsJson("Shop", flags)) {
            ids += (ids.empty() ? "" : ",") + record["RECID"];
        }
        return ids;
    };
    EXPECT_EQ(idsOf({"--sort", "title", "--ascending"}), apple + "," + copyId + "," + banana + "," + cherry);
    EXPECT_EQ(idsOf({"--sort", "title", "--descending"}), cherry + "," + banana + "," + apple + "," + copyId);
    EXPECT_EQ(idsOf({"--search", "GREEN", "--sort", "title", "--ascending"}), apple + "," + copyId);
    EXPECT_EQ(idsOf({"--sort", "created", "--ascending"}),
              banana + "," + apple + "," + copyId + "," + cherry);
    EXPECT_EQ(idsOf({"--sort", "created", "--descending"}),
              cherry + "," + apple + "," + copyId + "," + banana);
    ok({"set", "Shop", banana, "Name=Banana split"});
    const std::string byModification = idsOf({"--sort", "modified", "--ascending"});
    EXPECT_EQ(byModification.substr(byModification.size() - banana.size()), banana) << byModification;
    EXPECT_EQ(idsOf({"--sort", "modified", "--descending"}).substr(0, banana.size()), banana);
}

TEST_F(RecordCommandsTest, DeletionsAskForConfirmation)
{
    ok({"add-field", "Shop", "Photo", "image"});
    const std::string first = addRecord({"Name=one", "Photo=" + writePicture("one", 50, 50)});
    const std::string second = addRecord({"Name=two"});
    const std::string third = addRecord({"Name=three"});

    CliResult refused = runCli({"delete-record", "Shop", first});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "dossiva-cli: Are you sure you want to delete this record? Add --yes to delete.\n");
    refused = runCli({"delete-record", "Shop", first, second});
    EXPECT_EQ(refused.err, "dossiva-cli: Are you sure you want to delete 2 records? Add --yes to delete.\n");
    refused = runCli({"delete-all", "Shop"});
    EXPECT_EQ(refused.err,
              "dossiva-cli: Are you sure you want to delete ALL 3 record(s)? Add --yes to delete.\n");
    refused = runCli({"delete-record", "Shop", "999", "--yes"});
    EXPECT_EQ(refused.err, "dossiva-cli: \"Shop\" has no record 999\n");
    EXPECT_EQ(recordsJson("Shop").size(), 3u);

    const std::string picture = jsonText(recordsJson("Shop", {"--search", "one"})[0]["Photo"]);
    ASSERT_TRUE(FileManager::exists(picture));
    ok({"delete-record", "Shop", first, "--yes"});
    EXPECT_FALSE(FileManager::exists(picture));
    EXPECT_EQ(recordsJson("Shop").size(), 2u);
    ok({"delete-all", "Shop", "--yes"});
    EXPECT_TRUE(recordsJson("Shop").empty());
    EXPECT_NE(third, second);
}

} // namespace

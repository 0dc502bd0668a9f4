// dossiva-cli's field commands on a real data tree.
#include "cli/CliRunner.h"

#include "support/TestDatabase.h"

#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class EditCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Shop");

    EditCommandsTest() { DBManager::sharedIstance().openDB(); }

    // Runs a command that must succeed and returns what it printed.
    std::string ok(const std::vector<std::string>& args, const std::string& input = {})
    {
        const CliResult result = runCli(args, input);
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
        return result.out;
    }

    std::vector<std::string> fieldLines()
    {
        std::vector<std::string> lines;
        std::istringstream table(ok({"fields", "Shop"}));
        std::string line;
        std::getline(table, line);
        std::getline(table, line);
        while (std::getline(table, line)) {
            line.erase(line.find_last_not_of(' ') + 1);
            lines.push_back(line);
        }
        return lines;
    }

    std::string labels()
    {
        std::string names;
        DBManager& db = DBManager::sharedIstance();
        EXPECT_TRUE(db.openDB(package));
        for (const auto& field : db.dbStructure()) {
            names += (names.empty() ? "" : ",") + field.name;
        }
        db.openDB();
        return names;
    }
};

TEST_F(EditCommandsTest, BuildsADatabaseWithEveryFieldType)
{
    const std::vector<std::vector<std::string>> additions = {
        {"Note", "small"},
        {"Story", "large"},
        {"Price", "number"},
        {"Quantity", "number"},
        {"Day", "date", "--no-now"},
        {"Hour", "time"},
        {"Moment", "datetime"},
        {"Photo", "image"},
        {"Colour", "choose", "--items", "Red, Green,Dark Blue"},
        {"Line", "separator"},
        {"Total", "calculation", "--formula", "Price * Quantity"},
        {"Mail", "email"},
        {"Web", "link"},
        {"Paid", "checkbox", "--caption", "Paid in full"},
        {"Secret", "password", "--ask"},
    };
    for (const auto& addition : additions) {
        std::vector<std::string> args{"add-field", "Shop"};
        args.insert(args.end(), addition.begin(), addition.end());
        const std::string id = ok(args);
        EXPECT_EQ(id.find_first_not_of("0123456789"), id.size() - 1) << "prints the new id: " << id;
    }
    const std::vector<std::string> expected = {
        "1   1         Name      0 Main Field",
        "2   2         Note      1 Small Text Field",
        "3   3         Story     2 Large Text Field",
        "4   4         Price     3 Number Field",
        "5   5         Quantity  3 Number Field",
        "6   6         Day       4 Date Field           no now button",
        "7   7         Hour      5 Time Field           now button",
        "8   8         Moment    6 Date and Time Field  now button",
        "9   9         Photo     7 Image Field",
        "10  10        Colour    8 Choose Field         items: Red, Green, Dark Blue",
        "11  11        Line      9 Separator Field",
        "12  12        Total     11 Calculation Field   formula: Price * Quantity",
        "13  13        Mail      14 Email Field",
        "14  14        Web       15 Link Field",
        "15  15        Paid      16 Checkbox Field      caption: Paid in full",
        "16  16        Secret    17 Password Field      asks for the protection password",
    };
    EXPECT_EQ(fieldLines(), expected);
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

class EditRefusalTest : public EditCommandsTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(EditRefusalTest, PrintsWhyAndChangesNothing)
{
    ok({"add-field", "Shop", "Price", "number"});
    ok({"add-field", "Shop", "Colour", "choose"});
    ok({"add-field", "Shop", "Note", "small"});
    const std::string before = labels();
    const CliResult result = runCli(GetParam().args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, std::string("dossiva-cli: ") + GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(labels(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, EditRefusalTest,
    testing::Values(
        RefusalCase{"AddTakenLabel",
                    {"add-field", "Shop", "Price", "small"},
                    "There is already a filed with this label. Enter a label that is different from others."},
        RefusalCase{"RenameToAnotherLabel",
                    {"rename-field", "Shop", "Note", "Colour"},
                    "There is already a filed with this label. Enter a label that is different from others."},
        RefusalCase{"DeleteTheMainField", {"delete-field", "Shop", "Name", "--yes"}, "Error deleting field"},
        RefusalCase{"DeleteWithoutConfirmation",
                    {"delete-field", "Shop", "Note"},
                    "Delete the field and all its data? Add --yes to delete \"Note\"."},
        RefusalCase{"MoveTheFirstField",
                    {"move-field", "Shop", "1", "3"},
                    "the first field of the form stays first and cannot be moved"},
        RefusalCase{"MoveAboveTheFirstField",
                    {"move-field", "Shop", "Note", "1"},
                    "nothing goes above the first field: positions start at 2"},
        RefusalCase{
            "MovePastTheEnd", {"move-field", "Shop", "Note", "5"}, "position 5 is not between 2 and 4"},
        RefusalCase{"UnknownType",
                    {"add-field", "Shop", "X", "money"},
                    "unknown field type 'money' (one of small, large, number, date, time, datetime, image, "
                    "choose, separator, calculation, email, link, checkbox, password)"},
        RefusalCase{"OptionOfAnotherType",
                    {"set-field", "Shop", "Price", "--items", "A,B"},
                    "--items applies to choose fields only"},
        RefusalCase{
            "NothingToSet",
            {"set-field", "Shop", "Colour"},
            "nothing to change: give --items, --caption, --ask, --no-ask, --now, --no-now or --formula"},
        RefusalCase{"FormulaOverText",
                    {"add-field", "Shop", "Total", "calculation", "--formula", "Price * Note"},
                    "the formula names no number field at \"Note\""},
        RefusalCase{"FormulaEndingInAnOperator",
                    {"add-field", "Shop", "Total", "calculation", "--formula", "Price *"},
                    "the formula ends with an operator"},
        RefusalCase{"UnknownField", {"rename-field", "Shop", "Nope", "X"}, "\"Shop\" has no field \"Nope\""},
        RefusalCase{"UnknownDatabase", {"fields", "Nowhere"}, "no database named \"Nowhere\""},
        RefusalCase{
            "UnknownOption", {"add-field", "Shop", "X", "small", "--colour"}, "unknown option '--colour'"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(EditCommandsTest, RenamingToItsOwnLabelIsAccepted)
{
    ok({"add-field", "Shop", "Note", "small"});
    ok({"rename-field", "Shop", "Note", "Note"});
    ok({"rename-field", "Shop", "2", "Remark"});
    EXPECT_EQ(labels(), "Name,Remark");
}

TEST_F(EditCommandsTest, FieldsArePlacedAndMovedByPosition)
{
    ok({"add-field", "Shop", "C", "small"});
    ok({"add-field", "Shop", "B", "small", "--at", "2"});
    ok({"add-field", "Shop", "D", "small", "--at", "4"});
    EXPECT_EQ(labels(), "Name,B,C,D");
    ok({"move-field", "Shop", "D", "2"});
    EXPECT_EQ(labels(), "Name,D,B,C");
    ok({"move-field", "Shop", "D", "4"});
    EXPECT_EQ(labels(), "Name,B,C,D");
}

TEST_F(EditCommandsTest, ChoicesFollowTheirItemsAndFormulasFollowTheirFields)
{
    ok({"add-field", "Shop", "Colour", "choose", "--items", "Red,Green,Blue"});
    ok({"add-field", "Shop", "Price", "number"});
    ok({"add-field", "Shop", "Quantity", "number"});
    ok({"add-field", "Shop", "Total", "calculation"});
    ok({"add-record", "Shop", "Name=a", "Colour=Blue", "Price=2", "Quantity=3"});
    ok({"add-record", "Shop", "Name=b", "Colour=Green", "Price=5", "Quantity=4"});
    auto records = recordsJson("Shop", {"--sort", "title", "--ascending"});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["Total"], "\"\"") << "no formula yet";

    ok({"set-field", "Shop", "Total", "--formula", "Price * Quantity"});
    ok({"set-field", "Shop", "Colour", "--items", "Blue,Red"});
    records = recordsJson("Shop", {"--sort", "title", "--ascending"});
    EXPECT_EQ(records[0]["Colour"], "\"Blue\"");
    EXPECT_EQ(records[1]["Colour"], "null") << "Green is gone";
    EXPECT_EQ(records[0]["Total"], "\"6\"");
    EXPECT_EQ(records[1]["Total"], "\"20\"");

    ok({"delete-field", "Shop", "Quantity", "--yes"});
    records = recordsJson("Shop");
    for (auto& record : records) {
        EXPECT_EQ(record["Total"], "\"\"");
        EXPECT_EQ(record.count("Quantity"), 0u);
    }
    EXPECT_NE(ok({"fields", "Shop"}).find("formula: Price * Not Found"), std::string::npos);
}

} // namespace

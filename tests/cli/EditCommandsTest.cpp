// dossiva-cli's field commands on a real data tree.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/TestDatabase.h"

#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

class EditCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Shop");

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
    addFieldOfEveryType("Shop");
    const std::vector<std::string> expected = {
        "1   1         Name      Main field",
        "2   2         Note      Small text",
        "3   3         Story     Large text",
        "4   4         Price     Number",
        "5   5         Quantity  Number",
        "6   6         Day       Date           no now button",
        "7   7         Hour      Time           now button",
        "8   8         Moment    Date and time  now button",
        "9   9         Photo     Picture",
        "10  10        Colour    Choice         items: Red, Green, Dark Blue",
        "11  11        Line      Separator",
        "12  12        Total     Calculation    formula: Price * Quantity",
        "13  13        Mail      E-mail",
        "14  14        Web       Link",
        "15  15        Paid      Checkbox       caption: Paid in full",
        "16  16        Secret    Password       asks for the protection password",
    };
    EXPECT_EQ(fieldLines(), expected);
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
    int status = 1; // 2 for a wrong call
};

class EditRefusalTest : public EditCommandsTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(EditRefusalTest, PrintsWhyAndChangesNothing)
{
    ok({"add-field", "Shop", "Price", "number"});
    ok({"add-field", "Shop", "Colour", "choose"});
    ok({"add-field", "Shop", "Note", "small"});
    const std::string before = labels();
    const CliResult result = runCli(GetParam().args);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.err, std::string("dossiva-cli: ") + GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(labels(), before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Refusals, EditRefusalTest, testing::Values(
    RefusalCase{"AddTakenLabel", {"add-field", "Shop", "Price", "small"},
        "There is already a filed with this label. Enter a label that is different from others."},
    RefusalCase{"RenameToAnotherLabel", {"rename-field", "Shop", "Note", "Colour"},
        "There is already a filed with this label. Enter a label that is different from others."},
    RefusalCase{"DeleteTheMainField", {"delete-field", "Shop", "Name", "--yes"}, "Error deleting field"},
    RefusalCase{"DeleteWithoutConfirmation", {"delete-field", "Shop", "Note"},
        "Delete the field and all its data? Add --yes to delete \"Note\"."},
    RefusalCase{"MoveTheFirstField", {"move-field", "Shop", "1", "3"},
        "the first field of the form stays first and cannot be moved"},
    RefusalCase{"MoveAboveTheFirstField", {"move-field", "Shop", "Note", "1"},
        "nothing goes above the first field: positions start at 2"},
    RefusalCase{"MovePastTheEnd", {"move-field", "Shop", "Note", "5"}, "position 5 is not between 2 and 4"},
    RefusalCase{"UnknownType", {"add-field", "Shop", "X", "money"},
        "TYPE: money not in {small,large,number,date,time,datetime,image,choose,separator,calculation,"
        "email,link,checkbox,password} (see dossiva-cli add-field --help)", 2},
    RefusalCase{"OptionOfAnotherType", {"set-field", "Shop", "Price", "--items", "A,B"},
        "--items applies to choose fields only"},
    RefusalCase{"NothingToSet", {"set-field", "Shop", "Colour"},
        "nothing to change: give --items, --caption, --ask, --no-ask, --now, --no-now or --formula (see "
        "dossiva-cli set-field --help)", 2},
    RefusalCase{"FormulaOverText", {"add-field", "Shop", "Total", "calculation", "--formula", "Price * Note"},
        "the formula names no number field at \"Note\""},
    RefusalCase{"FormulaEndingInAnOperator", {"add-field", "Shop", "Total", "calculation", "--formula", "Price *"},
        "the formula ends with an operator"},
    RefusalCase{"UnknownField", {"rename-field", "Shop", "Nope", "X"}, "\"Shop\" has no field \"Nope\""},
    RefusalCase{"UnknownDatabase", {"fields", "Nowhere"}, "no database named \"Nowhere\""},
    RefusalCase{"UnknownOption", {"add-field", "Shop", "X", "small", "--colour"},
        "The following argument was not expected: --colour (see dossiva-cli add-field --help)", 2},
    RefusalCase{"OppositeOptions", {"set-field", "Shop", "Colour", "--now", "--no-now"},
        "--now excludes --no-now (see dossiva-cli set-field --help)", 2}),
    test::NameOfCase());
// clang-format on

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
    EXPECT_EQ(records[0]["Total"], "null") << "no formula yet";

    ok({"set-field", "Shop", "Total", "--formula", "Price * Quantity"});
    ok({"set-field", "Shop", "Colour", "--items", "Blue,Red"});
    records = recordsJson("Shop", {"--sort", "title", "--ascending"});
    EXPECT_EQ(records[0]["Colour"], "\"Blue\"");
    EXPECT_EQ(records[1]["Colour"], "null") << "Green is gone";
    EXPECT_EQ(records[0]["Total"], "6");
    EXPECT_EQ(records[1]["Total"], "20");

    ok({"delete-field", "Shop", "Quantity", "--yes"});
    records = recordsJson("Shop");
    for (auto& record : records) {
        EXPECT_EQ(record["Total"], "null");
        EXPECT_EQ(record.count("Quantity"), 0u);
    }
    EXPECT_NE(ok({"fields", "Shop"}).find("formula: Price * Not Found"), std::string::npos);
}

} // namespace

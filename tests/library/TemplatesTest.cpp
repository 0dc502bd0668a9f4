// The 22 built-in templates, as the build made them: each opens as a
// database, holds well-formed fields and a readable layout, and no records
// or dates of its own.
#include "support/CaseNames.h"
#include "support/TestDatabase.h"

#include "fields/CalculationEngine.h"
#include "fields/StructureCodec.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/SqliteConnection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

using namespace dossiva;
using namespace dossiva::test;

namespace {

const char* const kTemplateNames[] = {
    "Accounts",      "Books",
    "CD Collection", "Classes",
    "Computers",     "Contacts",
    "Customers",     "DVD Collection",
    "Events",        "Exercise Log",
    "Expenses",      "Inventory",
    "Movie Catalog", "Membership List",
    "Mobile Phones", "Notes",
    "Pet Care",      "Projects",
    "Recipes",       "Records",
    "To Do",         "Vehicle Maintenance",
};

std::string templateFile(const std::string& name)
{
    return Paths::modelsResourceFolder() + "/" + name + ".dossivaTemplate";
}

// A field row as the file holds it, before any load rule touches it.
struct StoredField {
    FieldId id;
    std::string name;
    std::int64_t type;
    std::optional<PropertyList> structure;
    bool lengthMatchesBlob;
};

std::vector<StoredField> storedFields(const std::string& file)
{
    std::vector<StoredField> fields;
    SqliteConnection db(file, SqliteConnection::Mode::ReadOnly);
    SqliteStatement select = db.prepare(
        "select id,field_name,field_type,field_structure,length from fields_table order by order_index");
    while (select.isValid() && select.step() == SqliteStatement::Step::Row) {
        const std::vector<std::uint8_t> blob = select.columnBlob(3);
        const std::int64_t length = select.columnInt64(4);
        fields.push_back({select.columnInt64(0), select.columnText(1), select.columnInt64(2),
                          decodeStructure(blob.data(), blob.size()),
                          length == static_cast<std::int64_t>(blob.size())});
    }
    return fields;
}

bool isArrayOf(const PropertyList& structure, PropertyList::Kind kind, std::size_t minimum,
               std::size_t maximum)
{
    const PropertyList::Array* elements = structure.asArray();
    if (elements == nullptr || elements->size() < minimum || elements->size() > maximum) {
        return false;
    }
    for (const auto& element : *elements) {
        if (element.kind() != kind) {
            return false;
        }
    }
    return true;
}

bool isDictionaryOf(const PropertyList& structure, const std::string& key, PropertyList::Kind kind)
{
    const PropertyList* value = structure.find(key);
    return structure.count() == 1 && value != nullptr && value->kind() == kind;
}

// What is wrong with a field's structure for its type; "" when nothing.
std::string shapeProblem(const StoredField& field, const std::vector<StoredField>& all)
{
    if (!field.structure) {
        return "does not decode";
    }
    const PropertyList& fs = *field.structure;
    switch (field.type) {
    case FieldType::Main:
    case FieldType::SmallText:
    case FieldType::Number:
    case FieldType::Image:
    case FieldType::Separator:
    case FieldType::Email:
    case FieldType::Link:
        return fs.isArray() && fs.count() == 0 ? "" : "expected an empty list";
    case FieldType::LargeText:
        return isArrayOf(fs, PropertyList::Kind::Real, 0, 1) && (fs.count() == 0 || fs.at(0)->toReal() > 0)
                   ? ""
                   : "expected an empty list or one positive height";
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return isArrayOf(fs, PropertyList::Kind::Boolean, 1, 1) ? "" : "expected a list of one boolean";
    case FieldType::Choose: {
        if (!isArrayOf(fs, PropertyList::Kind::String, 1, 1000)) {
            return "expected a non-empty list of items";
        }
        std::set<std::string> items;
        for (const auto& item : *fs.asArray()) {
            if (item.toString().empty() || !items.insert(item.toString()).second) {
                return "an item is empty or repeated";
            }
        }
        return "";
    }
    case FieldType::Checkbox:
        return isDictionaryOf(fs, "Caption", PropertyList::Kind::String) &&
                       !fs.find("Caption")->toString().empty()
                   ? ""
                   : "expected {Caption}";
    case FieldType::Password:
        return isDictionaryOf(fs, "Ask", PropertyList::Kind::Boolean) ? "" : "expected {Ask}";
    case FieldType::Calculation:
        if (!CalculationEngine::hasValidShape(fs)) {
            return "malformed formula";
        }
        for (const FieldId operand : CalculationEngine::operandIds(fs)) {
            const auto named =
                std::find_if(all.begin(), all.end(), [&](const auto& f) { return f.id == operand; });
            if (named == all.end() || named->type != FieldType::Number) {
                return "an operand names no number field";
            }
        }
        return "";
    default:
        return "a type the program does not offer";
    }
}

// WCAG contrast of a colour against the white form.
double contrastOnWhite(const RGBColor& color)
{
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance =
        0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
    return 1.05 / (luminance + 0.05);
}

// Makes NAME.dossiva from the template as a new database is made.
std::string packageFromTemplate(const std::string& name)
{
    const std::string package = name + ".dossiva";
    const bool made = FileManager::createDirectory(Paths::packagePath(package)) &&
                      FileManager::createDirectory(Paths::imagesFolder(package)) &&
                      FileManager::copyItem(templateFile(name), Paths::databaseFile(package));
    return made ? package : std::string();
}

class TemplatesTest : public ::testing::TestWithParam<const char*> {
protected:
    TestLibrary library;
    DBManager& db = DBManager::sharedIstance();
    std::string name = GetParam();
};

TEST_P(TemplatesTest, FieldsAreWellFormed)
{
    EXPECT_FALSE(FileManager::exists(templateFile(name) + "-journal"));
    const auto fields = storedFields(templateFile(name));
    ASSERT_GE(fields.size(), 6u) << "a template offers a main field and the fields its subject needs";
    EXPECT_EQ(fields.front().id, 1);
    EXPECT_EQ(fields.front().type, FieldType::Main);
    std::set<std::string> labels;
    for (const auto& field : fields) {
        EXPECT_FALSE(field.name.empty());
        EXPECT_TRUE(labels.insert(field.name).second) << "repeated label " << field.name;
        EXPECT_TRUE(field.lengthMatchesBlob) << field.name;
        EXPECT_EQ(shapeProblem(field, fields), "") << field.name << " (type " << field.type << ")";
        if (&field != &fields.front()) {
            EXPECT_NE(field.type, FieldType::Main) << field.name;
        }
    }
}

TEST_P(TemplatesTest, OpensAsANewDatabaseWithAReadableLayout)
{
    const std::string package = packageFromTemplate(name);
    ASSERT_FALSE(package.empty());
    ASSERT_TRUE(db.openDB(package));
    ASSERT_TRUE(db.loadDbData());
    EXPECT_TRUE(db.dbData().empty());
    ASSERT_FALSE(db.dbStructure().empty());
    EXPECT_EQ(db.dbStructure().front().id, 1);
    EXPECT_EQ(db.dbStructure().front().type, FieldType::Main);
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{-1, -1, -1}));

    const auto labelFont = db.getLabelFont();
    const auto textFont = db.getTextFont();
    ASSERT_TRUE(labelFont && textFont);
    for (const auto& font : {*labelFont, *textFont}) {
        EXPECT_FALSE(font.name.empty());
        // The sizes the form's size menus offer.
        EXPECT_GE(font.size, 8);
        EXPECT_LE(font.size, 22);
    }
    EXPECT_FALSE(db.getLabelShadow());
    EXPECT_FALSE(db.getTextShadow());
    EXPECT_EQ(db.getBackground(), std::nullopt);
    EXPECT_GE(contrastOnWhite(db.getLabelColor()), 4.5) << "labels must stay readable";
    EXPECT_GE(contrastOnWhite(db.getTextColor()), 7.0) << "values must read easily";
    EXPECT_NE(db.getLabelColor(), db.getTextColor()) << "labels stand apart from values";

    {
        const ScopedClockOverride clock(1700000000.2);
        ASSERT_TRUE(db.createGeneralInfoTable());
    }
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1700000000, -1, -1}));

    // Every field has its column: a record goes in and comes back.
    ASSERT_TRUE(db.addRecordToDb(emptyRecordEntries()));
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());
    EXPECT_EQ(db.dbData().size(), 1u);
    db.openDB();
    EXPECT_EQ(sqliteShell(templateFile(name), "select count(*) from data_table"), "0\n")
        << "the template itself is never written";
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, TemplatesTest, ::testing::ValuesIn(kTemplateNames),
                         [](const auto& c) { return test::caseName(c.param); });

TEST(TemplatesFolderTest, HoldsTheEmptyBaseAndTheTwentyTwoTemplates)
{
    const TestLibrary library;
    std::set<std::string> expected{"None.db"};
    for (const char* name : kTemplateNames) {
        expected.insert(std::string(name) + ".dossivaTemplate");
    }
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Paths::modelsResourceFolder())) {
        found.insert(entry.path().filename().string());
    }
    EXPECT_EQ(found, expected);
}

} // namespace

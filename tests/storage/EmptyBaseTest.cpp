// The empty base every new database starts from, as the build generates it.
#include "support/TestDatabase.h"

#include "platform/Paths.h"
#include "storage/DatabaseFileCheck.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

TEST(EmptyBaseTest, HoldsTheTablesOfAPackageAndOnlyTheMainField)
{
    TestLibrary home;
    const std::string base = Paths::emptyBaseDatabase();
    ASSERT_TRUE(isUsableDatabaseFile(base));
    EXPECT_EQ(
        sqliteShell(base, "select sql from sqlite_master where type='table' order by name"),
        "CREATE TABLE data_table('id' INTEGER PRIMARY KEY,'create_date','edit_date', '1')\n"
        "CREATE TABLE fields_table('id' INTEGER PRIMARY KEY,'field_name','field_type','field_structure',"
        "'length','order_index','listViewColInfo' default 0)\n"
        "CREATE TABLE general_info('creation','edit','sync')\n");
    EXPECT_EQ(sqliteShell(base, "select id, field_type, length(field_structure) = length, order_index, "
                                "listViewColInfo from fields_table"),
              "1|0|1|1|0\n");
    EXPECT_EQ(sqliteShell(base, "select count(*) from general_info"), "0\n");
    EXPECT_EQ(sqliteShell(base, "select count(*) from data_table"), "0\n");
    EXPECT_EQ(sqliteShell(base, "pragma journal_mode"), "delete\n");
}

} // namespace

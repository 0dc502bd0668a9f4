// Which commands are enabled in which state, and the record commands' titles.
#include "ui/app/MenuRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dossiva;

namespace {

struct StateCase {
    const char* name;
    MenuState state;
    std::vector<int> enabled; // every other tag is disabled
};

MenuState state(bool free, bool useShown, bool open, bool selected, bool undo = false, bool redo = false,
                bool columns = false)
{
    MenuState s;
    s.free = free;
    s.useShown = useShown;
    s.newRecordItem = open;
    s.emailRecordItem = selected;
    s.undoItem = undo;
    s.redoItem = redo;
    s.columnsMenuEnabled = columns;
    return s;
}

TEST(MenuRulesTest, EnabledCommandsFollowTheState)
{
    const std::vector<int> always = {0, 4, 12, 13, 14, 31, 32};
    const std::vector<int> whenFree = {2, 6, 7, 8, 19, 23, 24, 27, 33};
    const auto join = [](std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<StateCase> cases = {
        {"sync running", state(false, true, true, true, true, true, true), always},
        {"nothing open", state(true, false, false, false), join(always, whenFree)},
        {"open section with a database", state(true, false, true, false),
         join(join(always, whenFree), {20, 21, 22, 26})},
        {"use section, no record selected", state(true, true, true, false),
         join(join(always, whenFree), {20, 21, 22, 26, 5, 28, 29})},
        {"use section, a record selected, list view", state(true, true, true, true, true, false, true),
         join(join(always, whenFree), {20, 21, 22, 26, 5, 28, 29, 11, 16, 17, 18, 25, 9, 30})},
        {"define section with undo and redo", state(true, false, true, false, true, true),
         join(join(always, whenFree), {20, 21, 22, 26, 9, 10})},
        {"use section without a database", state(true, true, false, false),
         join(join(always, whenFree), {28, 29})},
    };
    for (const auto& c : cases) {
        for (int tag = 0; tag <= 33; ++tag) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), tag) != c.enabled.end();
            EXPECT_EQ(isMenuItemEnabled(tag, c.state), expected) << c.name << ", tag " << tag;
        }
    }
}

TEST(MenuRulesTest, RecordCommandsNameOneOrSeveralRecords)
{
    MenuState one;
    MenuState several;
    several.multipleRecords = true;
    EXPECT_STREQ(duplicateRecordsTitle(one), "Duplicate Record");
    EXPECT_STREQ(deleteRecordsTitle(one), "Delete Record");
    EXPECT_STREQ(duplicateRecordsTitle(several), "Duplicate Records");
    EXPECT_STREQ(deleteRecordsTitle(several), "Delete Records");
}

} // namespace

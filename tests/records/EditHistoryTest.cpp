// The undo and redo of record edits, and the records the Use section shows
// once the store's list has changed.
#include "records/EditHistory.h"
#include "records/ShownRecords.h"

#include <gtest/gtest.h>

namespace dossiva {
namespace {

// A field whose value is a text; each step is an edit (the new text), an
// undo or a redo, applied as the card form applies them.
class TextField {
public:
    void edit(const std::string& text)
    {
        m_history.record({"2", m_text});
        m_text = text;
    }
    bool undo() { return step(true); }
    bool redo() { return step(false); }
    const std::string& text() const { return m_text; }
    const CardHistory& history() const { return m_history; }

private:
    bool step(bool undo)
    {
        if (!(undo ? m_history.canUndo() : m_history.canRedo())) {
            return false;
        }
        CardEdit current{"2", m_text};
        const CardEdit applied =
            undo ? m_history.undo(std::move(current)) : m_history.redo(std::move(current));
        m_text = std::get<std::string>(applied.before);
        return true;
    }

    std::string m_text = "first";
    CardHistory m_history;
};

TEST(EditHistoryTest, UndoAndRedoWalkTheEditsBothWays)
{
    TextField field;
    field.edit("second");
    field.edit("third");
    ASSERT_TRUE(field.undo());
    ASSERT_TRUE(field.undo());
    EXPECT_EQ(field.text(), "first") << "undoing twice restores the value before the first edit";
    EXPECT_FALSE(field.undo());
    ASSERT_TRUE(field.redo());
    ASSERT_TRUE(field.redo());
    EXPECT_EQ(field.text(), "third");
    EXPECT_FALSE(field.redo());
}

TEST(EditHistoryTest, ANewEditAfterUndoForgetsWhatWasUndone)
{
    TextField field;
    field.edit("typed");
    ASSERT_TRUE(field.undo());
    field.edit("retyped");
    // Redo would otherwise overwrite the newer text with the undone one.
    EXPECT_FALSE(field.redo());
    EXPECT_EQ(field.text(), "retyped");
    ASSERT_TRUE(field.undo());
    EXPECT_EQ(field.text(), "first");
}

Record record(RecordId id)
{
    Record made;
    made.recordId = id;
    return made;
}

TEST(ShownRecordsTest, ShowsTheSameRecordsInTheSameOrderOnceTheStoreChanged)
{
    std::vector<Record> store{record(1), record(2), record(3), record(4)};
    ShownRecords shown;
    shown.reset(store);
    std::vector<RecordId> order = {4, 2, 3};
    // Deleting record 2 moves the others in the store's list.
    store.erase(store.begin() + 1);
    store.push_back(record(5));
    shown.show(store, order);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.at(0).recordId, 4);
    EXPECT_EQ(shown.at(1).recordId, 3);
    EXPECT_EQ(&shown.at(1), &store[1]) << "it points at the store's records, not at copies";
    EXPECT_EQ(shown.rowOf(3), 1u);
    EXPECT_EQ(shown.rowOf(2), std::nullopt);
}

} // namespace
} // namespace dossiva

#pragma once

#include "fields/FieldModel.h"
#include "records/FieldSnapshot.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {

// The undo and redo stacks of one place where records are edited (the
// card form, the record list). An entry is what undo puts back; undoing or
// redoing one keeps the value it replaces for the other direction.
template <typename Entry> class EditHistory {
public:
    // An edit begins. The undone edits can no longer be redone once a new
    // edit has been made over them, as in every editor.
    void record(Entry entry)
    {
        m_undo.push_back(std::move(entry));
        m_redo.clear();
    }

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    const Entry& nextUndo() const { return m_undo.back(); }
    const Entry& nextRedo() const { return m_redo.back(); }

    // Takes the next undo; `replaced` (the value it overwrites) goes to redo.
    Entry undo(Entry replaced) { return move(m_undo, m_redo, std::move(replaced)); }
    // Takes the next redo; `replaced` goes back to undo.
    Entry redo(Entry replaced) { return move(m_redo, m_undo, std::move(replaced)); }

    void clear()
    {
        m_undo.clear();
        m_redo.clear();
    }

    // Takes out the most recent undo entry that matches, if any: an edit
    // that was refused has nothing to undo.
    template <typename Match> std::optional<Entry> takeLastUndo(Match match)
    {
        for (auto entry = m_undo.rbegin(); entry != m_undo.rend(); ++entry) {
            if (match(*entry)) {
                Entry taken = std::move(*entry);
                m_undo.erase(std::next(entry).base());
                return taken;
            }
        }
        return std::nullopt;
    }

    // Changes every entry of both directions, when what they name changed.
    template <typename Change> void forEach(Change change)
    {
        for (auto& entry : m_undo) {
            change(entry);
        }
        for (auto& entry : m_redo) {
            change(entry);
        }
    }

private:
    static Entry move(std::vector<Entry>& from, std::vector<Entry>& to, Entry replaced)
    {
        Entry taken = std::move(from.back());
        from.pop_back();
        to.push_back(std::move(replaced));
        return taken;
    }

    std::vector<Entry> m_undo;
    std::vector<Entry> m_redo;
};

// An edit of the card form: the field's view (by its id) and what it showed
// before.
struct CardEdit {
    std::string fieldId;
    FieldSnapshot before;
};
using CardHistory = EditHistory<CardEdit>;

// An edit of the record list: the cell's value before it, in the form the
// record holds it (a picture as the picture itself, null for none; a
// password as its text), and the field and record it belongs to.
struct ListEdit {
    FieldValue before;
    ImagePtr picture;
    FieldId fieldId = 0;
    RecordId recordId = 0;
};
using ListHistory = EditHistory<ListEdit>;

} // namespace dossiva

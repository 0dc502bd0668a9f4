#pragma once

#include "records/EditHistory.h"
#include "records/RecordEntries.h"

#include <optional>

namespace dossiva {

class DBManager;

// The record list's edits, one cell at a time: each is written at once and
// kept for undo. Undo and redo write the stored record again whether or not
// the search still shows it, so an edit that hid its record can still be
// taken back. A record's calculations follow a number written, from the
// value just stored.
class RecordListEditor {
public:
    explicit RecordListEditor(DBManager& db);

    enum class Outcome { Unchanged, Stored, Failed };

    // A value the user gave a cell, as a record field view would hand it
    // over. Nothing happens when the record already holds it (a password
    // compared by its text); a picture is always written. Failed leaves
    // the store's reason in its lastFailure().
    Outcome commit(RecordId recordId, const FieldEdit& edit);

    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    // The record the next undo or redo changes.
    RecordId nextUndoRecord() const { return m_history.nextUndo().recordId; }
    RecordId nextRedoRecord() const { return m_history.nextRedo().recordId; }
    // Failed keeps the step for another try, unless its record or field is
    // gone, which empties the history.
    Outcome undo();
    Outcome redo();
    void clear() { m_history.clear(); }

private:
    Outcome step(bool undo);
    // What a cell holds now, as an undo entry keeps it; nullopt when the
    // record or the field is gone.
    std::optional<ListEdit> snapshot(RecordId recordId, FieldId fieldId) const;
    bool write(const ListEdit& edit);

    DBManager& m_db;
    ListHistory m_history;
};

} // namespace dossiva

#pragma once

#include "fields/FieldModel.h"
#include "records/EditHistory.h"
#include "records/StructureEditor.h"

#include <cstddef>
#include <optional>
#include <string>

namespace dossiva {

class DBManager;

// A field as the Define section shows it and undo puts it back: its id,
// type, label and options (its stored structure).
struct FieldState {
    FieldId id = -1;
    int type = 0;
    std::string label;
    PropertyList structure;

    static FieldState of(const FieldDefinition& field);
    bool operator==(const FieldState& other) const = default;
};

// One action of the Define section, as its undo takes it back.
struct DefineEdit {
    enum class Action {
        Changed, // a field's label or options changed; `field` is how it was before
        Added,   // `field` was added at `index`
        Deleted, // `field` was deleted from `index`
        Moved,   // `field` moved from `index` to `target`
    };
    Action action = Action::Changed;
    FieldState field;
    std::size_t index = 0;
    std::size_t target = 0;
};

// What an undo or a redo did.
struct DefineStep {
    StructureResult result; // done, or what to tell the user
    // The action the store just performed (an undone addition is a
    // deletion): what the other direction takes back.
    DefineEdit performed;
};

// The undo and redo of the Define section, performed through the structure
// rules so that every step keeps the database sound. Undoing an addition
// deletes the field; undoing a deletion adds it back (its values are gone)
// with its label, type and options at its place, and the formulas that used
// it use it again under the id it comes back with; undoing a move moves it
// back; undoing a change stores the label and options it had. A new action
// ends what could be redone, so the steps left always fit the form.
class DefineHistory {
public:
    DefineHistory(DBManager& db, StructureEditor& editor) : m_db(db), m_editor(editor) {}

    void record(DefineEdit edit) { m_edits.record(std::move(edit)); }
    bool canUndo() const { return m_edits.canUndo(); }
    bool canRedo() const { return m_edits.canRedo(); }
    // A step that fails changes neither direction; its result says why.
    DefineStep undo();
    DefineStep redo();
    // Takes back the last recorded change of a field whose change was
    // refused: the state its editor shows again.
    std::optional<FieldState> takeBackChange(FieldId id);
    void clear() { m_edits.clear(); }

private:
    DefineStep revert(const DefineEdit& edit);
    // A deleted field came back under a new id: every step names it, and
    // the formulas kept in steps use it.
    void renameField(FieldId from, FieldId to);

    DBManager& m_db;
    StructureEditor& m_editor;
    EditHistory<DefineEdit> m_edits;
};

} // namespace dossiva

#include "records/DefineHistory.h"

#include "fields/CalculationEngine.h"
#include "storage/DBManager.h"

namespace dossiva {

FieldState FieldState::of(const FieldDefinition& field)
{
    return {field.id, field.type, field.name, field.structure};
}

DefineStep DefineHistory::undo()
{
    if (!m_edits.canUndo()) {
        return {};
    }
    DefineStep step = revert(m_edits.nextUndo());
    if (step.result.done) {
        m_edits.undo(step.performed);
    }
    return step;
}

DefineStep DefineHistory::redo()
{
    if (!m_edits.canRedo()) {
        return {};
    }
    DefineStep step = revert(m_edits.nextRedo());
    if (step.result.done) {
        m_edits.redo(step.performed);
    }
    return step;
}

std::optional<FieldState> DefineHistory::takeBackChange(FieldId id)
{
    auto edit = m_edits.takeLastUndo([id](const DefineEdit& candidate) {
        return candidate.action == DefineEdit::Action::Changed && candidate.field.id == id;
    });
    if (!edit) {
        return std::nullopt;
    }
    return edit->field;
}

DefineStep DefineHistory::revert(const DefineEdit& edit)
{
    // A copy: renaming the field below changes the entry it came from.
    DefineStep step{{}, edit};
    const FieldDefinition* field = m_db.field(edit.field.id);
    switch (edit.action) {
    case DefineEdit::Action::Changed:
        if (field == nullptr) {
            break;
        }
        step.performed.field = FieldState::of(*field);
        step.result = m_editor.saveField(edit.field.id, edit.field.label, edit.field.structure);
        break;
    case DefineEdit::Action::Added:
        if (field == nullptr) {
            break;
        }
        step.performed = {DefineEdit::Action::Deleted, FieldState::of(*field), edit.index, 0};
        step.result = m_editor.deleteField(edit.field.id);
        break;
    case DefineEdit::Action::Deleted: {
        const FieldId deleted = edit.field.id;
        step.result = m_editor.addField(edit.field.label, edit.field.type, edit.field.structure, edit.index);
        if (step.result.done) {
            step.performed.action = DefineEdit::Action::Added;
            step.performed.field.id = step.result.fieldId;
            renameField(deleted, step.result.fieldId);
            // The field is back either way; a formula that could not follow
            // is told.
            if (const StructureResult formulas = m_editor.replaceOperand(deleted, step.result.fieldId);
                formulas.hasAlert()) {
                step.result.alert = formulas.alert;
            }
        }
        break;
    }
    case DefineEdit::Action::Moved:
        step.performed.index = edit.target;
        step.performed.target = edit.index;
        step.result = m_editor.moveField(edit.target, edit.index);
        break;
    }
    if (!step.result.done && !step.result.hasAlert()) {
        // The store could not write it (or the field is gone).
        const char* message = edit.action == DefineEdit::Action::Added ? StructureEditor::kDeleteFieldError
                                                                       : StructureEditor::kSaveFieldError;
        step.result.alert = {"Info", message, {"OK"}, false, {}};
    }
    return step;
}

void DefineHistory::renameField(FieldId from, FieldId to)
{
    m_edits.forEach([from, to](DefineEdit& edit) {
        if (edit.field.id == from) {
            edit.field.id = to;
        }
        if (edit.field.type == FieldType::Calculation) {
            CalculationEngine::replaceOperand(edit.field.structure, from, to);
        }
    });
}

} // namespace dossiva

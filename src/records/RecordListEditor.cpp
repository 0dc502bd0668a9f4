#include "records/RecordListEditor.h"

#include "platform/Paths.h"
#include "records/RecordEditor.h"
#include "storage/DBManager.h"
#include "storage/ImageCache.h"

namespace dossiva {

namespace {

bool holds(const Record& record, const FieldDefinition& field, const FieldValue& value)
{
    const FieldValue current = RecordEntries::valueOrEmpty(record, field);
    if (field.type == FieldType::Password) {
        return current.text() == value.text();
    }
    return current == value;
}

} // namespace

RecordListEditor::RecordListEditor(DBManager& db) : m_db(db)
{
}

RecordListEditor::Outcome RecordListEditor::commit(RecordId recordId, const FieldEdit& edit)
{
    const FieldDefinition* field = m_db.field(edit.field);
    const Record* record = m_db.record(recordId);
    std::optional<ListEdit> before = snapshot(recordId, edit.field);
    if (field == nullptr || record == nullptr || !before) {
        return Outcome::Failed;
    }
    FieldChange entry = RecordEntries::edited(*field, edit);
    if (field->type != FieldType::Image && holds(*record, *field, entry.value)) {
        return Outcome::Unchanged;
    }
    if (!RecordEditor(m_db).write(recordId, {{field->id}, {std::move(entry)}})) {
        return Outcome::Failed;
    }
    m_history.record(std::move(*before));
    return Outcome::Stored;
}

RecordListEditor::Outcome RecordListEditor::undo()
{
    return step(true);
}

RecordListEditor::Outcome RecordListEditor::redo()
{
    return step(false);
}

RecordListEditor::Outcome RecordListEditor::step(bool undo)
{
    if (!(undo ? m_history.canUndo() : m_history.canRedo())) {
        return Outcome::Unchanged;
    }
    const ListEdit next = undo ? m_history.nextUndo() : m_history.nextRedo();
    std::optional<ListEdit> current = snapshot(next.recordId, next.fieldId);
    if (!current) {
        m_history.clear();
        return Outcome::Failed;
    }
    // The value goes back into the store first; only then does the step
    // leave the history, so a failed write can be tried again.
    if (!write(next)) {
        return Outcome::Failed;
    }
    if (undo) {
        m_history.undo(std::move(*current));
    } else {
        m_history.redo(std::move(*current));
    }
    return Outcome::Stored;
}

std::optional<ListEdit> RecordListEditor::snapshot(RecordId recordId, FieldId fieldId) const
{
    const FieldDefinition* field = m_db.field(fieldId);
    const Record* record = m_db.record(recordId);
    if (field == nullptr || record == nullptr) {
        return std::nullopt;
    }
    ListEdit edit{RecordEntries::valueOrEmpty(*record, *field), nullptr, fieldId, recordId};
    if (field->type == FieldType::Image) {
        // The picture itself: its file goes when the cell changes, and undo
        // stores it again under a number of its own.
        const std::int64_t number = edit.before.integer();
        edit.before = FieldValue::integer(0);
        if (number > 0) {
            const std::string path = Paths::imageFile(m_db.dbName(), number);
            edit.picture = ImageCache::sharedIstance().getImage(path);
            if (!edit.picture) {
                ImageCache::sharedIstance().releaseImage(path);
            }
        }
    } else if (field->type == FieldType::Password) {
        // Whether the password shows in clear is the screen's, not the edit's.
        edit.before = FieldValue::password(edit.before.text());
    }
    return edit;
}

bool RecordListEditor::write(const ListEdit& edit)
{
    const FieldDefinition* field = m_db.field(edit.fieldId);
    if (field == nullptr) {
        return false;
    }
    FieldChange entry{{field->id, field->type}, edit.before, edit.picture};
    return RecordEditor(m_db).write(edit.recordId, {{field->id}, {std::move(entry)}});
}

} // namespace dossiva

#pragma once

#include "fields/FieldModel.h"
#include "fields/StructureCodec.h"
#include "platform/Alerts.h"

#include <cstddef>
#include <string>

namespace dossiva {

class DBManager;

// What a change to a database's fields came to.
struct StructureResult {
    bool done = false;    // the change was made
    FieldId fieldId = -1; // the field added or changed
    AlertRequest alert;   // what to tell the user; an empty title when nothing

    bool hasAlert() const { return !alert.title.empty(); }
};

// The rules that keep a database's fields sound, for the Define section and
// the command line alike: labels are unique (compared exactly), the first
// field of the form stays first, the main field is never deleted, formulas
// are recomputed when they change or lose a field, and every change marks
// the database edited and announces it with "DBChangedNotification".
class StructureEditor {
public:
    static constexpr const char* kDuplicateLabelMessage =
        "There is already a filed with this label. Enter a label that is different from others.";
    static constexpr const char* kDuplicateItemMessage =
        "There is already an item with this text. Enter a text that is different from others.";
    static constexpr const char* kAddFieldError = "Error adding new field";
    // When the store cannot write a label or options.
    static constexpr const char* kSaveFieldError = "Error saving field";
    static constexpr const char* kDeleteFieldRefused = "Error deleting field";
    static constexpr const char* kDeleteFieldError = "Error during delete field";
    static constexpr const char* kMoveFieldError = "Cannot move field";

    // sender is the object of the notifications posted, so that the screen
    // that made a change can tell its own announcements from others'.
    explicit StructureEditor(DBManager& db, const void* sender = nullptr);

    // The id of the first field with exactly this label, or -1.
    FieldId fieldExist(const std::string& label) const;
    // The label a new field of the type starts with: its palette title, made
    // unique with a number when taken.
    std::string newFieldLabel(int type) const;

    // Adds a field of a palette type at a form index; an index of 0 becomes
    // 1 (nothing goes above the first field) and one past the end appends.
    // A calculation added with its formula computes every record.
    StructureResult addField(const std::string& label, int type, const PropertyList& structure,
                             std::size_t index);
    // Stores a field's label, and for the types with options (the date
    // types, choose, calculation, checkbox, password) its structure; a
    // choose field's records follow their items' texts and a formula change
    // recomputes every record. Not done, with nothing to tell, when the
    // store could not write it. A choose field's items must differ.
    StructureResult saveField(FieldId id, const std::string& label, const PropertyList& structure);
    StructureResult renameField(FieldId id, const std::string& label);
    // Deletes a field and its values; formulas that used it are recomputed.
    StructureResult deleteField(FieldId id);
    // Moves the field at form index source to index target.
    StructureResult moveField(std::size_t source, std::size_t target);
    // Makes every formula that names the field `from` name `to` instead,
    // and computes them again: a deleted field that came back under a new
    // id is an operand again. Done when some formula changed.
    StructureResult replaceOperand(FieldId from, FieldId to);

    // Whether a field's type may be deleted: not the main field, nor a field
    // of a type this program does not know.
    static bool isRemovable(int type);
    // Whether a field of the type keeps options in its structure.
    static bool hasOptions(int type);
    // The options of a field as its structure editor shows them; what the
    // structure does not say stays at the editor's defaults.
    static StructureEditorState editorState(const FieldDefinition& field);
    static StructureEditorState editorState(int type, const PropertyList& structure);

private:
    StructureResult refused(const char* title, const char* message) const;
    void announceChange();

    DBManager& m_db;
    const void* m_sender;
};

} // namespace dossiva

#pragma once

#include <QWidget>

namespace dossiva {

// What the main window asks of each of its three sections.
class SectionController {
public:
    virtual ~SectionController() = default;
    virtual QWidget* view() = 0;
    // Whether the section holds edits that leaving it would lose; a section
    // may store them here and answer no.
    virtual bool hasChangesToSave() { return false; }
    virtual void saveChanges() {}
    virtual void cleanUndoRedoArrays() {}
    // Puts the keyboard focus where the section wants it when shown.
    virtual void setFirstResponder() {}
    virtual void undo() {}
    virtual void redo() {}
};

} // namespace dossiva

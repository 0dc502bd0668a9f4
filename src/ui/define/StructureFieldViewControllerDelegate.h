#pragma once

namespace dossiva {

class Alerts;
class StructureFieldViewController;

// What a structure editor tells the Define section, which keeps the undo
// steps and stores every change: a change begins (the editor's object() is
// what undo puts back), the change is made, the field is to be removed. The
// editors write nothing themselves.
class StructureFieldViewControllerDelegate {
public:
    virtual ~StructureFieldViewControllerDelegate() = default;

    virtual void addToUndoArray(StructureFieldViewController& editor) = 0;
    // Stores every edited editor; a refused change puts its editor back.
    virtual void save() = 0;
    virtual void removeView(StructureFieldViewController& editor) = 0;
    // Moves the field one place up (step -1) or down (+1), from the
    // keyboard, as a drag to that place would.
    virtual void stepView(StructureFieldViewController& editor, int step) = 0;
    // Whether the field can move that way (the main field stays first).
    virtual bool canStepView(const StructureFieldViewController& editor, int step) const = 0;

    // What some options need: the application's questions, whether records
    // would lose a choice, the protection password.
    virtual Alerts& alerts() = 0;
    virtual bool hasRecords() const = 0;
    // Asks for the protection password; true when it was given right.
    virtual bool askPassword() = 0;
};

} // namespace dossiva

#pragma once

#include "fields/FieldModel.h"

namespace dossiva {

class FieldViewController;

// What a record field view tells the section that owns it (the Use
// section): an edit begins, an edit ends, and a few type-specific events.
class FieldViewDelegate {
public:
    virtual ~FieldViewDelegate() = default;

    // An edit begins, before the value changes: the view's object() is the
    // value undo puts back.
    virtual void addToUndoArray(FieldViewController& view) = 0;
    // An edit ended: every edited view is stored. False when the record
    // could not be stored; the edit then stays in the form, and the user
    // has been told why.
    virtual bool save() = 0;
    // A number field's value changed: the calculations that use it follow.
    virtual void numberFieldChanged(FieldId field) = 0;
    // The user finished resizing a large text field: its height is stored.
    virtual void largeTextFieldDidGrow(FieldViewController& view) = 0;
    // A password's text was shown in clear or hidden again.
    virtual void passwdShowButtonChanged(FieldViewController& view, bool shown) = 0;
    // Asks for the protection password; true when it was given right.
    virtual bool askPassword() = 0;
};

// The form container, told while a large text field is dragged taller or
// shorter so that the fields below it follow.
class LargeTextFieldDelegate {
public:
    virtual ~LargeTextFieldDelegate() = default;
    virtual void largeTextFieldDidGrow(FieldViewController& view, int delta) = 0;
};

} // namespace dossiva

#pragma once

#include "fields/FieldModel.h"

#include <vector>

namespace dossiva {

// What the record list asks of the section it shows the records of (the
// Use section), which owns the shown records, their search and sort, and
// the selection.
class RecordListViewDelegate {
public:
    virtual ~RecordListViewDelegate() = default;

    // The user selected these records in the list.
    virtual void selectRowIndexes(const std::vector<RecordId>& records) = 0;
    // 1 deletes the selected records after asking, as the remove button does.
    virtual void addRemovePressed(int segment) = 0;
    // The list stored a value: the shown records are searched and sorted
    // again, and handed back.
    virtual void performSearch() = 0;
    // The same over every record of the database, so that a record an undo
    // brings back into the search shows again.
    virtual void restartSearch() = 0;
    // A record changed in place (a password shown in clear): the form follows.
    virtual void updateInterface(RecordId record) = 0;
    virtual int sortType() const = 0;
    virtual bool sortOrder() const = 0; // ascending
    virtual void sortOrderChanged() = 0;
    // Asks for the protection password; true when it was given right.
    virtual bool askPassword() = 0;
    // The list's undo history changed: the Undo and Redo commands follow
    // while the list is shown.
    virtual void historyChanged() = 0;
};

} // namespace dossiva

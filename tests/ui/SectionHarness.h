#pragma once

#include "ui/app/SectionController.h"
#include "ui/app/SectionDelegate.h"

class QMenu;
class QWidget;

namespace dossiva::test {

// The main window's side of a section: what the section enabled, as its
// menu items would show it.
class RecordingSectionDelegate final : public SectionDelegate {
public:
    void enableUndo(bool enabled) override { undo = enabled; }
    void enableRedo(bool enabled) override { redo = enabled; }
    void enableAddRecord(bool enabled) override { add = enabled; }
    void enableEmailRecord(bool enabled) override { email = enabled; }
    void setMultipleRecords(bool value) override { multiple = value; }
    void enableColumnsMenu(bool enabled) override { columns = enabled; }
    void setColumnsMenu(QMenu* menu) override { columnsMenu = menu; }
    bool undo = false, redo = false, add = false, email = false, multiple = false, columns = false;
    QMenu* columnsMenu = nullptr;
};

// Edit > Undo and Redo with their keys, as the main window's menu has them,
// sent to the section.
void addUndoRedoKeys(QWidget& window, SectionController& section);

} // namespace dossiva::test

#pragma once

class QMenu;

namespace dossiva {

// What the Use and Define sections tell the main window, which decides the
// enabled menu commands from it.
class SectionDelegate {
public:
    virtual ~SectionDelegate() = default;
    virtual void enableUndo(bool enabled) = 0;
    virtual void enableRedo(bool enabled) = 0;
    virtual void enableAddRecord(bool enabled) = 0;
    virtual void enableEmailRecord(bool enabled) = 0;
    virtual void setMultipleRecords(bool multiple) = 0;
    virtual void enableColumnsMenu(bool enabled) = 0;
    // The record list's "Columns" menu, for the main menu to show as well;
    // handed over again whenever its entries change.
    virtual void setColumnsMenu(QMenu* /*menu*/) {}
};

} // namespace dossiva

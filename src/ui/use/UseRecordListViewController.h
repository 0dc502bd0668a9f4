#pragma once

#include "records/RecordListEditor.h"
#include "ui/fieldviews/FieldViewController.h"
#include "ui/use/RecordCellDelegate.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <optional>
#include <vector>

class QMenu;
class QPrinter;
class QStackedWidget;

namespace dossiva {

class RecordListViewDelegate;
class RecordTableModel;
class RecordTableView;
class SectionDelegate;
class SetDateWindowController;
class ShownRecords;
class WelcomeView;

// The Use section's records as a table, one column per field that shows,
// edited in place cell by cell with the form's own rules: every committed
// value is stored at once and can be undone. The header sorts by title and
// by the record dates, and a right click on it opens the "Columns" menu,
// which the main menu shows too; widths and hidden columns are kept with
// each field.
class UseRecordListViewController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UseRecordListViewController)
public:
    UseRecordListViewController(RecordListViewDelegate& delegate, SectionDelegate& menuDelegate,
                                const FieldViewContext& context, QObject* parent = nullptr);
    ~UseRecordListViewController() override;

    QWidget* view() const { return m_view; }
    RecordTableView* table() const { return m_table; }
    RecordTableModel* model() const { return m_model; }
    QMenu* columnsListMenu() const { return m_columnsMenu; }
    // The editor over a cell, the date window and the last cell menu, while
    // they are open.
    QWidget* cellEditor() const { return m_cells->editor(); }
    SetDateWindowController* dateWindow() const;
    QMenu* cellMenu() const;

    // -- What the section tells the list ------------------------------------

    // A database was loaded or restructured: new columns, no history.
    void structureChanged();
    // The shown records changed (search, sort, add, delete, a save): the
    // history goes, unless it was the list's own save.
    void setDbArray(const ShownRecords& records);
    void sortByChanged(int sorting);
    // Selects the records' rows without telling the section again.
    void selectRowIndexes(const std::vector<RecordId>& records);
    void setWelcome(const QString& text, bool shown);
    void setFocus();
    // Starts editing the first cell of the selected row edited in the list.
    void editFirstSelectedRowField();
    // Tab and Shift-Tab from a cell (nullopt: from before the first):
    // the next cell of the row edited in the list, or, past the row's
    // last, the next row selected (the first after the last), or, before
    // its first, the row before (the first staying).
    void editNextColumn(std::optional<std::size_t> column, int row);
    void editPrevColumn(std::size_t column, int row);
    // Ends the edit of a cell, storing what was typed; a number refused is
    // told and not stored.
    void endEditing();

    // -- Undo and redo --------------------------------------------------------

    void undo();
    void redo();
    bool canUndo() const { return m_editor.canUndo(); }
    bool canRedo() const { return m_editor.canRedo(); }
    void cleanUndoRedoArrays();
    // The list stores every edit at once: leaving it ends the edit being
    // typed and the history, and never asks.
    bool hasChangesToSave();

    // -- Columns and printing --------------------------------------------------

    // Shows or hides a field's column, and keeps it with the field.
    void tableColumn(FieldId field, bool show);
    // The table with its header, over as many pages as it needs both ways:
    // through the print dialog, or to a printer set up already (the number
    // of pages printed).
    std::optional<int> runPrintDialog(QWidget* parent);
    int print(QPrinter& printer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadTableStructure();
    void rebuildColumnsListMenu();
    void headerClicked(int column);
    void storeResizedWidths();

    // Selection.
    void tableSelectionChanged();
    void noteSelection(const std::vector<RecordId>& records);
    std::vector<RecordId> selectedRecords() const;
    void selectOnly(int row, std::optional<int> column = std::nullopt);
    void tableDeleteKey();
    void tableTabKey();

    // Cells.
    void cellPressed(int row, int column, const QPoint& position);
    void activate(const QModelIndex& index, RecordCellDelegate::Part part, const QPoint& position);
    void cellEdited(int row, int column, const QString& text);
    void controlTextDidEndEditing(int row, int column, int step);
    void editColumnFrom(std::optional<std::size_t> column, int row, bool forward);
    bool acceptsText(int column, const QString& text);
    // The button of an e-mail, link or password cell.
    void cellButton(const QModelIndex& index, const QPoint& position);
    void editTextCol(const QModelIndex& index);
    void editChoiceCol(const QModelIndex& index);
    void editDateCol(const QModelIndex& index);
    void editImageCol(const QModelIndex& index, const QPoint& position);
    void openImage(const std::string& path);
    void deleteImage(RecordId record, FieldId field);
    void changeImage(RecordId record, FieldId field);
    void passwdColMenu(const QModelIndex& index, const QPoint& position);
    void copyPasswd(RecordId record, const ListColumn& column);
    // Showing asks for the protection password as the form does; hiding
    // never asks.
    void showPasswd(RecordId record, const ListColumn& column, bool show);
    bool mayReveal(const ListColumn& column);
    void sendEmail(const QModelIndex& index);
    void openLink(const QModelIndex& index);
    QMenu* popUpMenu(const QPoint& position);

    // Storing.
    struct PendingEdit {
        RecordId record = 0;
        FieldEdit edit;
    };
    // False when the value could not be stored: that is told, and a value
    // typed opens again in its cell, so that nothing typed is lost.
    bool save();
    void editAgain(const PendingEdit& failed);
    void setObjectValue(RecordId record, const FieldEdit& edit);
    // The shown records follow a value stored by the list, keeping its
    // history: searched again as they are, or, from every record.
    void savedOwnChange(bool restartSearch);
    void undoOrRedo(bool undo);
    void inform(const std::string& title, const std::string& message, const std::string& detail = {}) const;

    RecordListViewDelegate& m_delegate;
    SectionDelegate& m_menuDelegate;
    FieldViewContext m_context;
    RecordListEditor m_editor;

    QPointer<QWidget> m_view;
    QStackedWidget* m_stack = nullptr;
    RecordTableView* m_table = nullptr;
    WelcomeView* m_welcome = nullptr;
    RecordTableModel* m_model = nullptr;
    RecordCellDelegate* m_cells = nullptr;
    QPointer<QWidget> m_headerViewport;
    QMenu* m_columnsMenu = nullptr;
    QPointer<QMenu> m_cellMenu;
    QPointer<SetDateWindowController> m_dateWindow;

    std::optional<PendingEdit> m_pending;
    std::vector<RecordId> m_selectedRecords;
    std::map<int, int> m_resizedColumns; // column -> width, until the drag ends
    bool m_ownSave = false;              // the list's own save is re-filtering the records
    bool m_selecting = false;            // the selection is being set in code
    bool m_sizing = false;               // column widths are being set in code
};

} // namespace dossiva

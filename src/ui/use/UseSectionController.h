#pragma once

#include "platform/NotificationCenter.h"
#include "records/EditHistory.h"
#include "records/ShownRecords.h"
#include "storage/FormLayout.h"
#include "ui/app/SectionController.h"
#include "ui/fieldviews/FieldViewController.h"
#include "ui/fieldviews/FieldViewDelegate.h"
#include "ui/use/FormSettingsPanel.h"
#include "ui/use/RecordListViewDelegate.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace dossiva {

class Alerts;
class CreatedModifiedDateFieldViewController;
class FieldsView;
class FilePanels;
class RecentSearches;
class RecordListModel;
class SectionDelegate;
class UseRecordListViewController;
class WelcomeView;

// The Use section: the records of the open database. On the left the record
// list (a picture and a title per record) with the sort control above it
// and the add and remove buttons below; on the right the record form, one
// view per field, or the list of the records as a table. The search field
// of the main window filters the list. Every edit is written at once and
// can be undone.
class UseSectionController final : public QObject,
                                   public SectionController,
                                   public FieldViewDelegate,
                                   public RecordListViewDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UseSectionController)
public:
    // askPassword asks for the protection password: true when given right.
    UseSectionController(SectionDelegate& delegate, Alerts& alerts, FilePanels& panels,
                         std::function<bool()> askPassword, QObject* parent = nullptr);
    ~UseSectionController() override;

    // -- SectionController ------------------------------------------------------

    QWidget* view() override { return m_view; }
    // Stores the form's pending edits and clears the history: leaving the
    // section never asks.
    bool hasChangesToSave() override;
    void saveChanges() override;
    void cleanUndoRedoArrays() override;
    void setFirstResponder() override;
    void undo() override;
    void redo() override;

    // -- Commands ---------------------------------------------------------------

    // The main window's search field: Return searches, emptying it shows
    // every record again, and its menu keeps the recent searches.
    void setSearchField(QLineEdit* field);
    void startSearch();
    void setSortBy(int sorting);
    void sortOrderChanged() override;
    // 0 adds a record, 1 deletes the selected ones.
    void addRemovePressed(int segment) override;
    void duplicateRecord();
    void deleteAllRecords();
    void print();
    // 0 shows the card, 1 the list.
    void listColumnPressed(int segment);
    bool listEditedColumn() const { return m_listMode; }
    // Stores what is being typed, to the record it is typed for, before a
    // command changes the record, the selection, the mode or the database.
    void commitEditing();
    // The selected records' ids, in row order.
    std::vector<RecordId> selectedRecords() const;

    // -- FieldViewDelegate --------------------------------------------------------

    void addToUndoArray(FieldViewController& view) override;
    bool save() override;
    void numberFieldChanged(FieldId field) override;
    void largeTextFieldDidGrow(FieldViewController& view) override;
    void passwdShowButtonChanged(FieldViewController& view, bool shown) override;
    bool askPassword() override;

    // -- RecordListViewDelegate ---------------------------------------------------

    void selectRowIndexes(const std::vector<RecordId>& records) override;
    void performSearch() override;
    void restartSearch() override { reloadAll(); }
    void updateInterface(RecordId record) override;
    int sortType() const override { return m_sorting; }
    bool sortOrder() const override { return m_ascending; }
    void historyChanged() override;

    // -- What the screen is made of (for the main window and tests) -------------

    QListView* recordList() const { return m_recordList; }
    FieldsView* form() const { return m_form; }
    QScrollArea* formScrollArea() const { return m_scrollArea; }
    FormSettingsPanel* settingsPanel() const { return m_settings; }
    UseRecordListViewController* listView() const { return m_listView.get(); }
    QLabel* counter() const { return m_counter; }
    QToolButton* dbNameButton() const { return m_dbName; }
    QToolButton* addButton() const { return m_add; }
    QToolButton* removeButton() const { return m_remove; }
    QToolButton* cardButton() const { return m_card; }
    QToolButton* listButton() const { return m_list; }
    QToolButton* settingsButton() const { return m_settingsButton; }
    const std::vector<std::unique_ptr<FieldViewController>>& fieldViews() const { return m_fieldsArray; }
    // The view of a field, or nullptr.
    FieldViewController* fieldView(FieldId field) const;
    QString welcomeText() const;
    const ShownRecords& shownRecords() const { return m_records; }
    // The record the form shows, if one.
    std::optional<RecordId> shownRecord() const { return m_shownRecord; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildView();
    QWidget* buildRecordPane();
    QWidget* buildFormPane();
    void connectSettings();

    // Loading and showing.
    void dbChanged();
    void buildFieldViews();
    void linkKeyViews();
    void updateInterface(const Record& record);
    void selectionChanged();
    void selectRow(std::optional<std::size_t> row);
    void showForm(bool hasRecord);
    void manageWelcome();
    void updateCounter();
    void rebuildLabelLength();
    void applyLook();
    void enableFontButton(bool enabled);

    // Search and sort.
    void sort();
    void reloadAll();
    // The shown records changed: both of their views follow.
    void reloadRows();

    // Records.
    void addRecord();
    void deleteSelectedRecords();
    void afterDeletion(std::optional<std::size_t> oneSelectedRow);
    void tableDeleteKey();
    void focusFirstField();
    void failed(const std::string& message);

    // The form's look.
    void fontChosen(FormSettingsPanel::Row row, const FontSpec& font);
    void colorChosen(FormSettingsPanel::Swatch swatch, const RGBColor& color);
    void shadowToggled(FormSettingsPanel::Row row, bool shadow);
    void backgroundChosen(int tag);
    void setBackground(const QString& path);
    void setBackgroundColor(const QColor& color);
    void showStoredBackground();

    void undoOrRedo(bool undo);
    void setUndoState();

    SectionDelegate& m_delegate;
    Alerts& m_alerts;
    FilePanels& m_panels;
    std::function<bool()> m_askPassword;
    FieldViewContext m_context;

    QPointer<QWidget> m_view;
    QStackedWidget* m_modeStack = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolButton* m_dbName = nullptr;
    QListView* m_recordList = nullptr;
    RecordListModel* m_model = nullptr;
    QToolButton* m_add = nullptr;
    QToolButton* m_remove = nullptr;
    QLabel* m_counter = nullptr;
    QToolButton* m_card = nullptr;
    QToolButton* m_list = nullptr;
    QToolButton* m_settingsButton = nullptr;
    FormSettingsPanel* m_settings = nullptr;
    QStackedWidget* m_formStack = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    FieldsView* m_form = nullptr;
    WelcomeView* m_welcome = nullptr;
    QLabel* m_multiple = nullptr;
    QPointer<QLineEdit> m_searchField;
    std::unique_ptr<RecentSearches> m_recentSearches;
    std::unique_ptr<UseRecordListViewController> m_listView;

    std::vector<FieldDefinition> m_structureArray;
    std::vector<std::unique_ptr<FieldViewController>> m_fieldsArray; // the dates view last
    CreatedModifiedDateFieldViewController* m_datesView = nullptr;
    std::vector<QWidget*> m_keyViews; // the focus ring of the form, in order
    ShownRecords m_records;
    std::optional<RecordId> m_shownRecord;
    CardHistory m_history;
    FormLayout m_layout;
    int m_sorting = 2;
    bool m_ascending = false;
    bool m_listMode = false;
    int m_currentLabelLengthMax = 134;
    bool m_recalculating = false;
    bool m_reselecting = false; // the selection is being set in code
    ObserverToken m_dbObserver;
};

} // namespace dossiva

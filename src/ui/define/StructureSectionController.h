#pragma once

#include "platform/NotificationCenter.h"
#include "records/DefineHistory.h"
#include "records/StructureEditor.h"
#include "ui/app/SectionController.h"
#include "ui/define/StructureFieldViewControllerDelegate.h"
#include "ui/define/StructureFieldsView.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QScrollArea;
class QSplitter;

namespace dossiva {

class Alerts;
class DBManager;
class SectionDelegate;
class StructureFieldViewController;
class StructurePaletteView;
class WelcomeView;

// The Define section: the fields of the open database. On the left the
// palette of field types, on the right the stack of the fields' editors in
// form order. A type dragged from the palette into the stack adds a field
// where it is dropped; an editor dragged by its header moves its field (or,
// its header clicked, Alt+Up and Alt+Down); names and options are edited in
// place and each editor's remove button (or Delete on its header) deletes
// its field. Every change is stored at once and can be undone.
class StructureSectionController final : public QObject,
                                         public SectionController,
                                         public StructureFieldViewControllerDelegate,
                                         public StructureFieldsViewDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StructureSectionController)
public:
    // askPassword asks for the protection password: true when given right.
    StructureSectionController(SectionDelegate& delegate, Alerts& alerts, std::function<bool()> askPassword,
                               QObject* parent = nullptr);
    ~StructureSectionController() override;

    // -- SectionController ------------------------------------------------------

    QWidget* view() override { return m_view; }
    // Leaving the section stores what is being typed and ends the history;
    // it never asks.
    bool hasChangesToSave() override;
    void saveChanges() override { commitEditing(); }
    void cleanUndoRedoArrays() override;
    void setFirstResponder() override;
    void undo() override;
    void redo() override;

    // Stores a name or caption being typed, before anything else happens
    // (undo, quitting).
    void commitEditing();

    // -- StructureFieldViewControllerDelegate -----------------------------------

    void addToUndoArray(StructureFieldViewController& editor) override;
    void save() override;
    void removeView(StructureFieldViewController& editor) override;
    void stepView(StructureFieldViewController& editor, int step) override;
    bool canStepView(const StructureFieldViewController& editor, int step) const override;
    Alerts& alerts() override { return m_alerts; }
    bool hasRecords() const override;
    bool askPassword() override;

    // -- StructureFieldsViewDelegate ----------------------------------------------

    void structureViewAddView(int palettePosition, std::size_t index) override;
    void moveView(QWidget* view, std::size_t index) override;

    // -- What the screen is made of (for the main window, tests and the tour) ---

    StructurePaletteView* table() const { return m_table; }
    StructureFieldsView* structureView() const { return m_structureView; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    QSplitter* splitter() const { return m_splitter; }
    QWidget* infoBox() const { return m_infoBox; }
    WelcomeView* welcomeMessage() const { return m_welcomeMessage; }
    const std::vector<std::unique_ptr<StructureFieldViewController>>& fieldsArray() const
    {
        return m_fieldsArray;
    }
    // The editor of a field, or nullptr.
    StructureFieldViewController* editor(FieldId field) const;

private:
    void buildView();
    void dbChanged();
    std::unique_ptr<StructureFieldViewController> makeEditor(const FieldDefinition& field);
    // The editors follow the fields of the store: kept by field, made for
    // new fields, dropped for fields gone, in form order.
    void followStructure(bool animated);
    // Formula editors follow the number fields, and their formulas as
    // stored.
    void refreshCalculation();
    void manageWelcome();
    void updateUndoRedo();
    // Tells the user what a change came to; whether it was made.
    bool report(const StructureResult& result);
    void showStep(const DefineStep& step);
    // The position of an editor in the form, or nullopt.
    std::optional<std::size_t> indexOf(const QWidget* view) const;
    void retire(std::unique_ptr<StructureFieldViewController> editor);

    SectionDelegate& m_delegate;
    Alerts& m_alerts;
    std::function<bool()> m_askPassword;
    DBManager& m_db;
    StructureEditor m_structureEditor;
    DefineHistory m_history;

    QPointer<QWidget> m_view;
    WelcomeView* m_welcomeMessage = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_infoBox = nullptr;
    StructurePaletteView* m_table = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    StructureFieldsView* m_structureView = nullptr;

    std::vector<std::unique_ptr<StructureFieldViewController>> m_fieldsArray;
    // Editors that left the form while one of their own controls was at
    // work (a remove button): destroyed once that is over.
    std::vector<std::unique_ptr<StructureFieldViewController>> m_retired;
    bool m_saving = false;
    ObserverToken m_observer;
};

} // namespace dossiva

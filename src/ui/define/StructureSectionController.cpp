#include "ui/define/StructureSectionController.h"

#include "fields/FieldTypes.h"
#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "storage/DBManager.h"
#include "ui/app/SectionDelegate.h"
#include "ui/define/CalculationFieldStructureViewController.h"
#include "ui/define/StructureFieldViewController.h"
#include "ui/define/StructurePaletteView.h"
#include "ui/widgets/WelcomeView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace dossiva {

namespace {

// The divider between palette and stack stops where either would get too
// narrow to use.
constexpr int kPaletteMinimumWidth = 199;
constexpr int kStackMinimumWidth = 542;

} // namespace

StructureSectionController::StructureSectionController(SectionDelegate& delegate, Alerts& alerts,
                                                       std::function<bool()> askPassword, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_alerts(alerts), m_askPassword(std::move(askPassword)),
      m_db(DBManager::sharedIstance()), m_structureEditor(m_db, this), m_history(m_db, m_structureEditor)
{
    buildView();
    // The section's own changes are announced with itself as sender: the
    // editors it has already follow them, and rebuilding them would take
    // the focus from the name being typed.
    m_observer = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [this](const NoPayload&, const void* sender) {
            if (sender != this) {
                dbChanged();
            }
        });
    dbChanged();
}

StructureSectionController::~StructureSectionController()
{
    m_fieldsArray.clear();
    m_retired.clear();
    delete m_view;
}

void StructureSectionController::buildView()
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("DefineSection"));
    auto* column = new QVBoxLayout(m_view);
    column->setContentsMargins(0, 0, 0, 0);

    m_welcomeMessage = new WelcomeView(
        tr("No Database Open"),
        tr("Open or create a database in the Open section, then come back here to define its fields."),
        m_view);
    column->addWidget(m_welcomeMessage);

    m_infoBox = new QWidget;
    m_infoBox->setObjectName(QStringLiteral("infoBox"));
    m_infoBox->setMinimumWidth(kPaletteMinimumWidth);
    auto* box = new QVBoxLayout(m_infoBox);
    box->setContentsMargins(10, 10, 4, 10);
    auto* heading = new QLabel(tr("Field Types"), m_infoBox);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* hint = new QLabel(
        tr("Drag a type into the form to add a field, or double-click it to add it at the end."), m_infoBox);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    m_table = new StructurePaletteView(m_infoBox);
    box->addWidget(heading);
    box->addWidget(hint);
    box->addWidget(m_table, 1);

    m_structureView = new StructureFieldsView;
    m_structureView->setDelegate(this);
    m_scrollArea = new QScrollArea;
    m_scrollArea->setObjectName(QStringLiteral("structureScroll"));
    m_scrollArea->setMinimumWidth(kStackMinimumWidth);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidget(m_structureView);
    m_table->setDropTarget(m_structureView);
    // Without a drag (Enter on a type, or a double click) the field goes
    // at the end of the form.
    connect(m_table, &StructurePaletteView::typeChosen, this,
            [this](int palettePosition) { structureViewAddView(palettePosition, m_fieldsArray.size()); });

    m_splitter = new QSplitter(Qt::Horizontal, m_view);
    m_splitter->setObjectName(QStringLiteral("defineSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_infoBox);
    m_splitter->addWidget(m_scrollArea);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({230, 700});
    column->addWidget(m_splitter);
}

// -- Loading -----------------------------------------------------------------------

void StructureSectionController::dbChanged()
{
    // Another database, or this one changed elsewhere: the editors and the
    // steps to undo belong to what was there before.
    std::vector<std::unique_ptr<StructureFieldViewController>> old = std::move(m_fieldsArray);
    m_fieldsArray.clear();
    for (const auto& field : m_db.dbStructure()) {
        m_fieldsArray.push_back(makeEditor(field));
    }
    std::vector<QWidget*> views;
    for (const auto& editor : m_fieldsArray) {
        views.push_back(editor->view());
    }
    m_structureView->setArray(views, false);
    for (auto& editor : old) {
        retire(std::move(editor));
    }
    if (m_history.canUndo() || m_history.canRedo()) {
        m_history.clear();
        updateUndoRedo();
    }
    refreshCalculation();
    manageWelcome();
}

std::unique_ptr<StructureFieldViewController>
StructureSectionController::makeEditor(const FieldDefinition& field)
{
    std::unique_ptr<StructureFieldViewController> editor = makeStructureEditor(field.type);
    editor->setDelegate(this);
    if (auto* formula = qobject_cast<CalculationFieldStructureViewController*>(editor.get())) {
        formula->setNumberFields(m_db.calculationFields());
    }
    editor->setObject(FieldState::of(field));
    return editor;
}

void StructureSectionController::followStructure(bool animated)
{
    std::vector<std::unique_ptr<StructureFieldViewController>> next;
    for (const auto& field : m_db.dbStructure()) {
        const auto kept =
            std::find_if(m_fieldsArray.begin(), m_fieldsArray.end(), [&field](const auto& editor) {
                return editor && editor->fieldId() == field.id && editor->type() == field.type;
            });
        next.push_back(kept != m_fieldsArray.end() ? std::move(*kept) : makeEditor(field));
    }
    std::vector<QWidget*> views;
    for (const auto& editor : next) {
        views.push_back(editor->view());
    }
    m_structureView->setArray(views, animated);
    for (auto& gone : m_fieldsArray) {
        if (gone) {
            retire(std::move(gone));
        }
    }
    m_fieldsArray = std::move(next);
    refreshCalculation();
}

void StructureSectionController::retire(std::unique_ptr<StructureFieldViewController> editor)
{
    editor->view()->hide();
    m_retired.push_back(std::move(editor));
    QTimer::singleShot(0, this, [this] { m_retired.clear(); });
}

void StructureSectionController::refreshCalculation()
{
    const std::vector<NumberFieldRef> numberFields = m_db.calculationFields();
    for (const auto& editor : m_fieldsArray) {
        auto* formula = qobject_cast<CalculationFieldStructureViewController*>(editor.get());
        const FieldDefinition* field = formula ? m_db.field(formula->fieldId()) : nullptr;
        if (field == nullptr) {
            continue;
        }
        formula->setNumberFields(numberFields);
        // A deletion or an undo may have changed the formula in the store.
        if (!formula->edited() && formula->structure() != field->structure) {
            formula->setObject(FieldState::of(*field));
        }
    }
}

void StructureSectionController::manageWelcome()
{
    const bool open = !FileManager::deletingPathExtension(m_db.dbName()).empty();
    m_welcomeMessage->setVisible(!open);
    m_splitter->setVisible(open);
}

StructureFieldViewController* StructureSectionController::editor(FieldId field) const
{
    for (const auto& editor : m_fieldsArray) {
        if (editor->fieldId() == field) {
            return editor.get();
        }
    }
    return nullptr;
}

std::optional<std::size_t> StructureSectionController::indexOf(const QWidget* view) const
{
    for (std::size_t i = 0; i < m_fieldsArray.size(); ++i) {
        if (m_fieldsArray[i]->view() == view) {
            return i;
        }
    }
    return std::nullopt;
}

// -- Changes -----------------------------------------------------------------------

bool StructureSectionController::report(const StructureResult& result)
{
    if (result.hasAlert()) {
        AlertRequest alert = result.alert;
        if (!result.done && alert.title == "Info") {
            alert.detail = m_db.lastFailure().reason;
        }
        m_alerts.ask(alert);
    }
    return result.done;
}

void StructureSectionController::structureViewAddView(int palettePosition, std::size_t index)
{
    const std::optional<int> type = FieldTypes::codeForPalettePosition(palettePosition);
    if (!type) {
        return;
    }
    const std::string label = m_structureEditor.newFieldLabel(*type);
    const StructureResult result = m_structureEditor.addField(label, *type, defaultStructure(*type), index);
    if (!report(result)) {
        return;
    }
    const auto& fields = m_db.dbStructure();
    const auto added = std::find_if(fields.begin(), fields.end(), [&result](const FieldDefinition& field) {
        return field.id == result.fieldId;
    });
    if (added != fields.end()) {
        m_history.record({DefineEdit::Action::Added, FieldState::of(*added),
                          static_cast<std::size_t>(added - fields.begin()), 0});
    }
    followStructure(true);
    // The new field's name is ready to be typed over.
    if (StructureFieldViewController* created = editor(result.fieldId); created && created->titleText()) {
        created->titleText()->setFocus(Qt::OtherFocusReason);
        created->titleText()->selectAll();
    }
    updateUndoRedo();
    manageWelcome();
}

void StructureSectionController::removeView(StructureFieldViewController& editor)
{
    AlertRequest question{"Delete the field and all its data?", "", {"Delete Field", "Cancel"}};
    // The field's data goes with it: Enter keeps it.
    question.style = AlertStyle::Warning;
    question.defaultButton = "Cancel";
    if (!m_alerts.ask(question).is("Delete Field")) {
        return;
    }
    const std::optional<std::size_t> index = indexOf(editor.view());
    const FieldDefinition* field = m_db.field(editor.fieldId());
    if (!index || field == nullptr) {
        return;
    }
    const FieldState deleted = FieldState::of(*field);
    if (!report(m_structureEditor.deleteField(deleted.id))) {
        return;
    }
    m_history.record({DefineEdit::Action::Deleted, deleted, *index, 0});
    followStructure(true);
    updateUndoRedo();
    manageWelcome();
}

void StructureSectionController::moveView(QWidget* view, std::size_t index)
{
    const std::optional<std::size_t> source = indexOf(view);
    if (!source) {
        return;
    }
    // The index counts the moving field in its old place. The main field
    // stays first: it does not move, and nothing goes above it.
    const std::size_t target = index > *source ? index - 1 : index;
    if (*source == 0 || target == 0 || target == *source) {
        return;
    }
    const FieldId id = m_fieldsArray[*source]->fieldId();
    if (!report(m_structureEditor.moveField(*source, target))) {
        return;
    }
    m_history.record({DefineEdit::Action::Moved, m_fieldsArray[*source]->object(), *source, target});
    followStructure(true);
    if (StructureFieldViewController* moved = editor(id)) {
        moved->view()->setFocus(Qt::OtherFocusReason);
    }
    updateUndoRedo();
}

bool StructureSectionController::canStepView(const StructureFieldViewController& editor, int step) const
{
    const std::optional<std::size_t> source = indexOf(editor.view());
    return source && *source > 0 && (step < 0 ? *source > 1 : *source + 1 < m_fieldsArray.size());
}

void StructureSectionController::stepView(StructureFieldViewController& editor, int step)
{
    if (canStepView(editor, step)) {
        // Counted as a drop is, with the field still in its old place.
        const std::size_t source = *indexOf(editor.view());
        moveView(editor.view(), step < 0 ? source - 1 : source + 2);
    }
}

void StructureSectionController::addToUndoArray(StructureFieldViewController& editor)
{
    m_history.record({DefineEdit::Action::Changed, editor.object(), 0, 0});
    updateUndoRedo();
}

void StructureSectionController::save()
{
    // An alert's focus changes may end the typing again while it shows.
    if (m_saving) {
        return;
    }
    m_saving = true;
    for (const auto& editor : m_fieldsArray) {
        if (!editor->edited()) {
            continue;
        }
        StructureResult result = m_structureEditor.saveField(editor->fieldId(), editor->title().toStdString(),
                                                             editor->structure());
        if (result.done) {
            editor->save();
            continue;
        }
        if (!result.hasAlert()) {
            result.alert = {"Info", StructureEditor::kSaveFieldError, {"OK"}, false, {}};
        }
        report(result);
        // Refused: the editor shows what the field still has, and there is
        // nothing to undo.
        const std::optional<FieldState> before = m_history.takeBackChange(editor->fieldId());
        editor->setObject(before ? *before : editor->object());
    }
    m_saving = false;
    refreshCalculation();
    updateUndoRedo();
}

void StructureSectionController::commitEditing()
{
    const bool pending = std::any_of(m_fieldsArray.begin(), m_fieldsArray.end(),
                                     [](const auto& editor) { return editor->edited(); });
    if (pending) {
        save();
    }
}

bool StructureSectionController::hasRecords() const
{
    return m_db.recordNum() > 0;
}

bool StructureSectionController::askPassword()
{
    return m_askPassword && m_askPassword();
}

// -- Undo ------------------------------------------------------------------------

void StructureSectionController::undo()
{
    commitEditing();
    showStep(m_history.undo());
}

void StructureSectionController::redo()
{
    commitEditing();
    showStep(m_history.redo());
}

void StructureSectionController::showStep(const DefineStep& step)
{
    report(step.result);
    if (!step.result.done) {
        return;
    }
    if (step.performed.action == DefineEdit::Action::Changed) {
        StructureFieldViewController* changed = editor(step.performed.field.id);
        const FieldDefinition* field = m_db.field(step.performed.field.id);
        if (changed != nullptr && field != nullptr) {
            changed->setObject(FieldState::of(*field));
        }
        refreshCalculation();
    } else {
        followStructure(true);
    }
    updateUndoRedo();
    manageWelcome();
}

void StructureSectionController::cleanUndoRedoArrays()
{
    m_history.clear();
    updateUndoRedo();
}

void StructureSectionController::updateUndoRedo()
{
    m_delegate.enableUndo(m_history.canUndo());
    m_delegate.enableRedo(m_history.canRedo());
}

bool StructureSectionController::hasChangesToSave()
{
    // Leaving ends any typing here, which stores it.
    if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && m_view->isAncestorOf(focus)) {
        focus->clearFocus();
    }
    commitEditing();
    cleanUndoRedoArrays();
    return false;
}

void StructureSectionController::setFirstResponder()
{
    m_table->setFocus(Qt::OtherFocusReason);
}

} // namespace dossiva

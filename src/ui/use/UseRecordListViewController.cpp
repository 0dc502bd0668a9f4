#include "ui/use/UseRecordListViewController.h"

#include "crypto/ProtectionPassword.h"
#include "fields/DateDisplay.h"
#include "fields/FieldAddresses.h"
#include "fields/NumberRule.h"
#include "fields/PasswordGuard.h"
#include "fields/PictureScaling.h"
#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/FilePanels.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "records/ShownRecords.h"
#include "storage/DBManager.h"
#include "ui/app/SectionDelegate.h"
#include "ui/use/ListPrinter.h"
#include "ui/use/RecordListViewDelegate.h"
#include "ui/use/RecordTableModel.h"
#include "ui/use/RecordTableView.h"
#include "ui/use/SetDateWindowController.h"
#include "ui/widgets/WelcomeView.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_set>

namespace dossiva {

namespace {

DBManager& store()
{
    return DBManager::sharedIstance();
}

} // namespace

UseRecordListViewController::UseRecordListViewController(RecordListViewDelegate& delegate,
                                                         SectionDelegate& menuDelegate,
                                                         const FieldViewContext& context, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_menuDelegate(menuDelegate), m_context(context),
      m_editor(store())
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("RecordListView"));
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(m_view);
    layout->addWidget(m_stack);
    m_table = new RecordTableView(m_stack);
    m_welcome = new WelcomeView({}, {}, m_stack);
    m_stack->addWidget(m_table);
    m_stack->addWidget(m_welcome);

    m_model = new RecordTableModel(this);
    m_cells = new RecordCellDelegate(*m_model, this);
    m_table->setModel(m_model);
    m_table->setItemDelegate(m_cells);
    m_cells->setAcceptance(
        [this](const QModelIndex& index, const QString& text) { return acceptsText(index.column(), text); });
    m_columnsMenu = new QMenu(tr("Columns"), m_view);

    connect(m_model, &RecordTableModel::cellEdited, this, &UseRecordListViewController::cellEdited);
    connect(m_cells, &RecordCellDelegate::editEnded, this,
            &UseRecordListViewController::controlTextDidEndEditing);
    connect(m_table, &RecordTableView::cellPressed, this, &UseRecordListViewController::cellPressed);
    connect(m_table, &RecordTableView::deletePressed, this, &UseRecordListViewController::tableDeleteKey);
    connect(m_table, &RecordTableView::tabPressed, this, &UseRecordListViewController::tableTabKey);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &UseRecordListViewController::tableSelectionChanged);
    QHeaderView* header = m_table->horizontalHeader();
    connect(header, &QHeaderView::sectionClicked, this, &UseRecordListViewController::headerClicked);
    connect(header, &QHeaderView::sectionResized, this, [this, header](int column, int, int width) {
        if (m_sizing || column >= m_model->columnCount()) {
            return;
        }
        const int minimum = m_model->column(column).minimumWidth;
        if (width < minimum) {
            m_sizing = true;
            header->resizeSection(column, minimum);
            m_sizing = false;
            width = minimum;
        }
        m_resizedColumns[column] = width;
    });
    m_headerViewport = header->viewport();
    m_headerViewport->installEventFilter(this);
    reloadTableStructure();
}

UseRecordListViewController::~UseRecordListViewController()
{
    if (m_headerViewport != nullptr) {
        m_headerViewport->removeEventFilter(this);
    }
    delete m_view;
}

SetDateWindowController* UseRecordListViewController::dateWindow() const
{
    return m_dateWindow;
}

QMenu* UseRecordListViewController::cellMenu() const
{
    return m_cellMenu;
}

// ---------------------------------------------------------------------------
// Columns

void UseRecordListViewController::structureChanged()
{
    m_pending.reset();
    reloadTableStructure();
    cleanUndoRedoArrays();
}

void UseRecordListViewController::reloadTableStructure()
{
    m_model->setColumns(ListColumns(store().dbStructure()), store().dbName());
    QHeaderView* header = m_table->horizontalHeader();
    m_sizing = true;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const ListColumn& info = m_model->column(column);
        header->setSectionResizeMode(column, info.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        header->resizeSection(column, info.width);
    }
    m_sizing = false;
    m_resizedColumns.clear();
    sortByChanged(m_delegate.sortType());
    rebuildColumnsListMenu();
}

void UseRecordListViewController::rebuildColumnsListMenu()
{
    // The action being chosen may be the one that rebuilds the menu: the old
    // actions go once it has returned.
    for (QAction* action : m_columnsMenu->actions()) {
        m_columnsMenu->removeAction(action);
        action->deleteLater();
    }
    for (const ListColumns::MenuItem& item : ListColumns::menu(store().dbStructure())) {
        QAction* action = m_columnsMenu->addAction(QString::fromStdString(item.title));
        action->setCheckable(true);
        action->setChecked(item.shown);
        connect(action, &QAction::triggered, this,
                [this, field = item.field](bool shown) { tableColumn(field, shown); });
    }
    m_menuDelegate.setColumnsMenu(m_columnsMenu);
}

void UseRecordListViewController::tableColumn(FieldId field, bool show)
{
    endEditing();
    if (!store().setdbFieldListViewHidden(!show, field)) {
        inform("Warning", "The column could not be stored.", store().lastFailure().reason);
    }
    const std::vector<RecordId> selected = m_selectedRecords;
    reloadTableStructure();
    selectRowIndexes(selected);
}

void UseRecordListViewController::sortByChanged(int sorting)
{
    const auto column = m_model->columns().indexOfSortType(sorting);
    m_model->setSortedColumn(column ? std::optional<int>(static_cast<int>(*column)) : std::nullopt);
    m_table->horizontalHeader()->setSortIndicator(column ? static_cast<int>(*column) : -1,
                                                  m_delegate.sortOrder() ? Qt::AscendingOrder
                                                                         : Qt::DescendingOrder);
}

void UseRecordListViewController::headerClicked(int column)
{
    endEditing();
    const std::optional<int> sorting = m_model->column(column).sortType;
    if (sorting && *sorting == m_delegate.sortType()) {
        m_delegate.sortOrderChanged();
    } else if (sorting) {
        // The preferences window follows the first, the sections the second.
        UserDefaults::standard().setInteger("Sorting", *sorting);
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.post<std::int64_t>(kSortingTypeChangedNotificationFromListTable, this, *sorting);
        center.post<std::int64_t>(kSortingTypeChangedNotification, this, *sorting);
    }
    // The header flips its arrow on any click; it shows the section's sort.
    sortByChanged(m_delegate.sortType());
}

void UseRecordListViewController::storeResizedWidths()
{
    const std::map<int, int> resized = std::exchange(m_resizedColumns, {});
    for (const auto& [column, width] : resized) {
        if (column >= m_model->columnCount()) {
            continue;
        }
        const auto stored = m_model->columns().storedWidth(static_cast<std::size_t>(column), width);
        if (stored && !store().setdbFieldListViewColSize(*stored, m_model->column(column).field)) {
            inform("Warning", "The column's width could not be stored.", store().lastFailure().reason);
            return;
        }
    }
}

bool UseRecordListViewController::eventFilter(QObject* watched, QEvent* event)
{
    // The header may be going away with the section's widgets.
    if (watched != m_headerViewport) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        endEditing();
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        QTimer::singleShot(0, m_columnsMenu, [this, global] { m_columnsMenu->popup(global); });
        return true;
    }
    // A width is kept once the drag that sets it ends, not at each step.
    if (event->type() == QEvent::MouseButtonRelease) {
        QMetaObject::invokeMethod(this, &UseRecordListViewController::storeResizedWidths,
                                  Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Rows and selection

void UseRecordListViewController::setDbArray(const ShownRecords& records)
{
    if (!m_ownSave) {
        cleanUndoRedoArrays();
    }
    m_model->setRecords(&records);
}

void UseRecordListViewController::setWelcome(const QString& text, bool shown)
{
    m_welcome->setText({}, text);
    m_stack->setCurrentWidget(shown ? static_cast<QWidget*>(m_welcome) : m_table);
}

void UseRecordListViewController::setFocus()
{
    m_table->setFocus(Qt::OtherFocusReason);
}

std::vector<RecordId> UseRecordListViewController::selectedRecords() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<RecordId> records;
    for (const int row : rows) {
        if (const Record* record = m_model->record(row)) {
            records.push_back(record->recordId);
        }
    }
    return records;
}

void UseRecordListViewController::tableSelectionChanged()
{
    if (m_selecting) {
        return;
    }
    const std::vector<RecordId> records = selectedRecords();
    noteSelection(records);
    m_delegate.selectRowIndexes(records);
}

void UseRecordListViewController::noteSelection(const std::vector<RecordId>& records)
{
    // The history is about the records selected; the same records shown
    // again, at other rows after a sort, keep it.
    if (records != m_selectedRecords && !m_ownSave) {
        cleanUndoRedoArrays();
    }
    m_selectedRecords = records;
}

void UseRecordListViewController::selectRowIndexes(const std::vector<RecordId>& records)
{
    std::vector<int> rows;
    if (records.size() <= 8) {
        for (const RecordId id : records) {
            if (const auto row = m_model->rowOf(id)) {
                rows.push_back(*row);
            }
        }
        std::sort(rows.begin(), rows.end());
    } else {
        const std::unordered_set<RecordId> wanted(records.begin(), records.end());
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (wanted.contains(m_model->record(row)->recordId)) {
                rows.push_back(row);
            }
        }
    }
    QItemSelection selection;
    const int lastColumn = std::max(0, m_model->columnCount() - 1);
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1) {
            ++end;
        }
        selection.select(m_model->index(rows[i], 0), m_model->index(rows[end], lastColumn));
        i = end + 1;
    }
    m_selecting = true;
    QItemSelectionModel* model = m_table->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.empty()) {
        model->setCurrentIndex(m_model->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
        m_table->scrollTo(m_model->index(rows.front(), 0));
    }
    m_selecting = false;
    noteSelection(records);
}

void UseRecordListViewController::selectOnly(int row, std::optional<int> column)
{
    // Without a column the view keeps its horizontal place.
    const QModelIndex index = m_model->index(row, column.value_or(std::max(0, m_table->columnAt(0))));
    m_table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_table->scrollTo(index);
}

void UseRecordListViewController::tableDeleteKey()
{
    // As the section's remove button: after the question.
    m_delegate.addRemovePressed(1);
}

void UseRecordListViewController::tableTabKey()
{
    const std::vector<RecordId> selected = selectedRecords();
    const std::optional<int> row = selected.empty() ? std::nullopt : m_model->rowOf(selected.front());
    selectOnly(row ? (*row + 1) % m_model->rowCount() : 0);
}

// ---------------------------------------------------------------------------
// Cells

void UseRecordListViewController::cellPressed(int, int, const QPoint& position)
{
    // A value being typed is stored first; the rows may move with it.
    endEditing();
    if (m_cells->editor() != nullptr) {
        return;
    }
    const QModelIndex index = m_table->indexAt(position);
    if (!index.isValid()) {
        return;
    }
    const ListColumn& column = m_model->column(index.column());
    const RecordCellDelegate::Part part =
        RecordCellDelegate::hit(column.cell, m_table->visualRect(index), position);
    selectOnly(index.row(), index.column());
    activate(index, part, position);
}

void UseRecordListViewController::activate(const QModelIndex& index, RecordCellDelegate::Part part,
                                           const QPoint& position)
{
    using Part = RecordCellDelegate::Part;
    const ListColumn& column = m_model->column(index.column());
    if (!column.editable) {
        return;
    }
    switch (column.cell) {
    case ListColumn::Cell::Text:
    case ListColumn::Cell::Email:
    case ListColumn::Cell::Link:
    case ListColumn::Cell::Password:
        if (part == Part::Button) {
            cellButton(index, position);
        } else if (part == Part::Value) {
            editTextCol(index);
        }
        break;
    case ListColumn::Cell::Date:
        if (part == Part::Value) {
            editDateCol(index);
        }
        break;
    case ListColumn::Cell::Picture:
        editImageCol(index, position);
        break;
    case ListColumn::Cell::Choice:
        editChoiceCol(index);
        break;
    case ListColumn::Cell::Checkbox: {
        const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        setObjectValue(m_model->record(index.row())->recordId, {column.field, ticked ? "0" : "1", nullptr});
        break;
    }
    }
}

void UseRecordListViewController::cellButton(const QModelIndex& index, const QPoint& position)
{
    switch (m_model->column(index.column()).cell) {
    case ListColumn::Cell::Email:
        sendEmail(index);
        break;
    case ListColumn::Cell::Link:
        openLink(index);
        break;
    case ListColumn::Cell::Password:
        passwdColMenu(index, position);
        break;
    default:
        break;
    }
}

void UseRecordListViewController::editTextCol(const QModelIndex& index)
{
    // A password's editor hides what is typed while the password is hidden.
    m_table->edit(index);
}

void UseRecordListViewController::editChoiceCol(const QModelIndex& index)
{
    m_table->edit(index);
    if (auto* popUp = qobject_cast<QComboBox*>(m_cells->editor())) {
        popUp->showPopup();
    }
}

bool UseRecordListViewController::acceptsText(int column, const QString& text)
{
    if (m_model->column(column).type != FieldType::Number || NumberRule::validate(text.toStdString())) {
        return true;
    }
    QApplication::beep();
    inform(NumberRule::kRefusalTitle, NumberRule::kRefusalMessage);
    return false;
}

void UseRecordListViewController::cellEdited(int row, int column, const QString& text)
{
    const Record* record = m_model->record(row);
    const ListColumn& cell = m_model->column(column);
    if (record == nullptr || !cell.isField()) {
        return;
    }
    std::string value = text.toStdString();
    if (cell.type == FieldType::Number) {
        const auto accepted = NumberRule::validate(value);
        if (!accepted) {
            acceptsText(column, text);
            return;
        }
        value = *accepted;
    }
    m_pending = PendingEdit{record->recordId, {cell.field, value, nullptr}};
    // An edit Qt itself ended (the current cell moved under it) is stored
    // once it has finished; those ended here are stored at once.
    QMetaObject::invokeMethod(this, &UseRecordListViewController::save, Qt::QueuedConnection);
}

void UseRecordListViewController::controlTextDidEndEditing(int row, int column, int step)
{
    const Record* edited = m_model->record(row);
    const std::optional<RecordId> record = edited ? std::optional(edited->recordId) : std::nullopt;
    // A value that could not be stored keeps its cell open.
    const bool stored = save();
    const int rows = m_model->rowCount();
    if (!stored || step == 0 || rows == 0) {
        return;
    }
    // Tab goes on from the record edited, wherever the save put it.
    const std::optional<int> now = record ? m_model->rowOf(*record) : std::nullopt;
    const int from = now.value_or(std::min(row, rows - 1));
    step > 0 ? editNextColumn(static_cast<std::size_t>(column), from)
             : editPrevColumn(static_cast<std::size_t>(column), from);
}

void UseRecordListViewController::editNextColumn(std::optional<std::size_t> column, int row)
{
    editColumnFrom(column, row, true);
}

void UseRecordListViewController::editPrevColumn(std::size_t column, int row)
{
    editColumnFrom(column, row, false);
}

void UseRecordListViewController::editColumnFrom(std::optional<std::size_t> column, int row, bool forward)
{
    const ListColumns::TabTarget target = m_model->columns().tab(
        column, static_cast<std::size_t>(row), static_cast<std::size_t>(m_model->rowCount()), forward);
    const int targetRow = static_cast<int>(target.row);
    if (!target.column) {
        selectOnly(targetRow);
        return;
    }
    const QModelIndex index = m_model->index(targetRow, static_cast<int>(*target.column));
    selectOnly(targetRow, index.column());
    activate(index, RecordCellDelegate::Part::Value, m_table->visualRect(index).center());
}

void UseRecordListViewController::editFirstSelectedRowField()
{
    const std::vector<RecordId> selected = selectedRecords();
    const std::optional<int> row = selected.empty() ? std::nullopt : m_model->rowOf(selected.front());
    // A row without a cell to edit stays selected.
    if (row && m_model->columns().tab(std::nullopt, 0, 1, true).column) {
        m_table->setFocus(Qt::OtherFocusReason);
        editNextColumn(std::nullopt, *row);
    }
}

void UseRecordListViewController::endEditing()
{
    if (m_cells->editor() != nullptr && !m_cells->endEdit()) {
        // A command goes on: the refused number is dropped, the record kept
        // as it was.
        m_cells->dropEdit();
    }
    save();
}

void UseRecordListViewController::editDateCol(const QModelIndex& index)
{
    const Record* record = m_model->record(index.row());
    const ListColumn& column = m_model->column(index.column());
    const FieldValue* value = record->value(column.field);
    const std::optional<std::int64_t> moment =
        value ? DateDisplay::storedMoment(column.type, *value, Clock::nowSeconds()) : std::nullopt;
    m_dateWindow = SetDateWindowController::presentWindowDate(
        moment, column.type, QString::fromStdString(column.title), m_table,
        [this, record = record->recordId, field = column.field, moment](std::optional<std::int64_t> chosen) {
            // The moment shown, confirmed, is no change, even where the
            // stored value is a time alone.
            if (chosen != moment) {
                setObjectValue(record, {field, chosen ? std::to_string(*chosen) : std::string(), nullptr});
            }
        });
}

QMenu* UseRecordListViewController::popUpMenu(const QPoint& position)
{
    auto* menu = new QMenu(QStringLiteral("Contextual Menu"), m_table);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // It opens once the click that asked for it has ended.
    const QPoint global = m_table->viewport()->mapToGlobal(position);
    QTimer::singleShot(0, menu, [menu, global] { menu->popup(global); });
    m_cellMenu = menu;
    return menu;
}

void UseRecordListViewController::editImageCol(const QModelIndex& index, const QPoint& position)
{
    const Record* record = m_model->record(index.row());
    const ListColumn& column = m_model->column(index.column());
    const FieldValue* value = record->value(column.field);
    const std::int64_t number = value ? value->integer() : 0;
    const RecordId id = record->recordId;
    const FieldId field = column.field;
    if (number <= 0) {
        changeImage(id, field);
        return;
    }
    QMenu* menu = popUpMenu(position);
    const std::string path = Paths::imageFile(store().dbName(), number);
    menu->addAction(QStringLiteral("Open Image"), this, [this, path] { openImage(path); });
    menu->addAction(QStringLiteral("Change Image"), this, [this, id, field] { changeImage(id, field); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Delete Image"), this, [this, id, field] { deleteImage(id, field); });
}

void UseRecordListViewController::openImage(const std::string& path)
{
    // With the desktop's own viewer of pictures.
    if (m_context.openUrl) {
        m_context.openUrl(
            QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString());
    }
}

void UseRecordListViewController::deleteImage(RecordId record, FieldId field)
{
    // Undo keeps the picture itself and stores it again.
    setObjectValue(record, {field, {}, nullptr});
}

void UseRecordListViewController::changeImage(RecordId record, FieldId field)
{
    if (m_context.panels == nullptr) {
        return;
    }
    const auto path = m_context.panels->runOpenPanel({{"tiff", "png", "jpg", "jpeg", "tif"}, ""});
    if (!path) {
        return;
    }
    PictureScaling::RecordPicture read = PictureScaling::readForRecord(*path);
    if (!read.picture) {
        inform(PictureScaling::kRefusalTitle, PictureScaling::refusalMessage(*path, read));
        return;
    }
    setObjectValue(record, {field, {}, std::make_shared<const Image>(std::move(*read.picture))});
}

void UseRecordListViewController::passwdColMenu(const QModelIndex& index, const QPoint& position)
{
    const Record* record = m_model->record(index.row());
    const ListColumn& column = m_model->column(index.column());
    const FieldValue* value = record->value(column.field);
    if (value == nullptr || value->text().empty()) {
        return;
    }
    const RecordId id = record->recordId;
    const bool shown = value->shown();
    QMenu* menu = popUpMenu(position);
    menu->addAction(QStringLiteral("Copy"), this, [this, id, column] { copyPasswd(id, column); });
    menu->addAction(shown ? QStringLiteral("Hide") : QStringLiteral("Show"), this,
                    [this, id, column, shown] { showPasswd(id, column, !shown); });
}

void UseRecordListViewController::copyPasswd(RecordId record, const ListColumn& column)
{
    const Record* current = store().record(record);
    const FieldValue* text = current ? current->value(column.field) : nullptr;
    if (text != nullptr && mayReveal(column)) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(std::string(text->text())));
    }
}

bool UseRecordListViewController::mayReveal(const ListColumn& column)
{
    // As in the form: a field that asks, with protection on, shows and
    // copies its text only to whoever gives the protection password.
    if (!PasswordGuard::isGuarded(column.asksPassword, ProtectionPassword().isProtected())) {
        return true;
    }
    return m_delegate.askPassword();
}

void UseRecordListViewController::showPasswd(RecordId record, const ListColumn& column, bool show)
{
    if (show && !mayReveal(column)) {
        return;
    }
    store().setPasswordShown(record, column.field, show);
    if (const auto row = m_model->rowOf(record)) {
        m_model->recordChanged(*row);
    }
    m_delegate.updateInterface(record);
}

void UseRecordListViewController::sendEmail(const QModelIndex& index)
{
    const std::string text = index.data(Qt::DisplayRole).toString().toStdString();
    if (!text.empty() && m_context.openUrl) {
        m_context.openUrl(FieldAddresses::emailUrl(text));
    }
}

void UseRecordListViewController::openLink(const QModelIndex& index)
{
    const std::string text = index.data(Qt::DisplayRole).toString().toStdString();
    if (text.empty() || !m_context.openUrl) {
        return;
    }
    if (const auto refusal = FieldAddresses::linkRefusal(text)) {
        inform(FieldAddresses::kLinkRefusalTitle, *refusal);
    } else if (const auto url = FieldAddresses::linkUrl(text)) {
        m_context.openUrl(*url);
    }
}

// ---------------------------------------------------------------------------
// Storing, undo and redo

void UseRecordListViewController::setObjectValue(RecordId record, const FieldEdit& edit)
{
    m_pending = PendingEdit{record, edit};
    save();
}

bool UseRecordListViewController::save()
{
    if (!m_pending) {
        return true;
    }
    const PendingEdit pending = std::move(*m_pending);
    m_pending.reset();
    switch (m_editor.commit(pending.record, pending.edit)) {
    case RecordListEditor::Outcome::Failed:
        inform("Warning", "The record could not be saved.", store().lastFailure().reason);
        editAgain(pending);
        return false;
    case RecordListEditor::Outcome::Stored:
        m_delegate.historyChanged();
        savedOwnChange(false);
        break;
    case RecordListEditor::Outcome::Unchanged:
        break;
    }
    return true;
}

void UseRecordListViewController::editAgain(const PendingEdit& failed)
{
    const std::optional<int> row = m_model->rowOf(failed.record);
    const std::optional<std::size_t> column = m_model->columns().indexOfField(failed.edit.field);
    if (!row || !column || m_cells->editor() != nullptr) {
        return;
    }
    const QModelIndex index = m_model->index(*row, static_cast<int>(*column));
    if (!(m_model->flags(index) & Qt::ItemIsEditable)) {
        return;
    }
    selectOnly(*row, index.column());
    editTextCol(index);
    if (auto* line = qobject_cast<QLineEdit*>(m_cells->editor())) {
        line->setText(QString::fromStdString(failed.edit.text));
    }
}

void UseRecordListViewController::savedOwnChange(bool restartSearch)
{
    m_ownSave = true;
    restartSearch ? m_delegate.restartSearch() : m_delegate.performSearch();
    m_ownSave = false;
}

void UseRecordListViewController::undo()
{
    undoOrRedo(true);
}

void UseRecordListViewController::redo()
{
    undoOrRedo(false);
}

void UseRecordListViewController::undoOrRedo(bool undo)
{
    endEditing();
    const auto outcome = undo ? m_editor.undo() : m_editor.redo();
    if (outcome == RecordListEditor::Outcome::Failed) {
        inform("Warning", undo ? "The change could not be undone." : "The change could not be redone.",
               store().lastFailure().reason);
    }
    m_delegate.historyChanged();
    // The record may come back into the search it had left.
    if (outcome == RecordListEditor::Outcome::Stored) {
        savedOwnChange(true);
    }
}

void UseRecordListViewController::cleanUndoRedoArrays()
{
    m_editor.clear();
    m_delegate.historyChanged();
}

bool UseRecordListViewController::hasChangesToSave()
{
    endEditing();
    cleanUndoRedoArrays();
    return false;
}

void UseRecordListViewController::inform(const std::string& title, const std::string& message,
                                         const std::string& detail) const
{
    if (m_context.alerts != nullptr) {
        m_context.alerts->inform(title, message, detail);
    }
}

// ---------------------------------------------------------------------------
// Printing

std::optional<int> UseRecordListViewController::runPrintDialog(QWidget* parent)
{
    endEditing();
    return ListPrinter(*m_table).runPrintDialog(parent);
}

int UseRecordListViewController::print(QPrinter& printer)
{
    endEditing();
    return ListPrinter(*m_table).print(printer);
}

} // namespace dossiva

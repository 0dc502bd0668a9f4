#include "ui/define/ChooseFieldStructureViewController.h"

#include "fields/FieldRules.h"
#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "records/StructureEditor.h"
#include "ui/define/StructureFieldViewControllerDelegate.h"
#include "ui/widgets/ReorderableList.h"
#include "ui/widgets/UiText.h"

#include <QAbstractItemDelegate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace dossiva {

namespace {

constexpr int kListHeight = 104;

QToolButton* segment(const char* icon, const QString& tip, const char* name)
{
    auto* button = new QToolButton;
    button->setIcon(uiIcon(icon));
    button->setIconSize(QSize(14, 14));
    button->setToolTip(tip);
    button->setObjectName(QString::fromUtf8(name));
    return button;
}

} // namespace

ChooseFieldStructureViewController::ChooseFieldStructureViewController()
    : StructureFieldViewController(FieldType::Choose), m_table(new ReorderableList),
      m_addButton(segment("list-add", tr("Add an item"), "addItem")),
      m_removeButton(segment("list-remove", tr("Remove the selected item"), "removeItem")),
      m_edit(new QPushButton(tr("Edit")))
{
    m_table->setObjectName(QStringLiteral("items"));
    m_table->setFixedHeight(kListHeight);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_edit->setObjectName(QStringLiteral("editItem"));
    m_edit->setToolTip(tr("Rename the selected item"));

    auto* caption = new QLabel(tr("Items"));
    caption->setFixedWidth(64);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addSpacing(8);
    buttons->addWidget(m_edit);
    buttons->addStretch(1);
    auto* list = new QVBoxLayout;
    list->addWidget(m_table);
    list->addLayout(buttons);
    auto* row = new QHBoxLayout;
    row->addWidget(caption, 0, Qt::AlignTop);
    row->addLayout(list, 1);
    optionsLayout()->addLayout(row);

    connect(m_addButton, &QToolButton::clicked, this, [this] { addRemoveButton(0); });
    connect(m_removeButton, &QToolButton::clicked, this, [this] { addRemoveButton(1); });
    connect(m_edit, &QPushButton::clicked, this, [this] { editButton(); });
    connect(m_table, &QListWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_table, &ReorderableList::rowMoved, this, [this](int from, int to) { rowMoved(from, to); });
    // A rename ends when the cell's editor closes, accepted or not; the
    // list has let the editor go by then, so it may be loaded again.
    connect(m_table->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { renameEnded(); });
    setArray(StructureEditorState().items);
}

void ChooseFieldStructureViewController::setArray(const std::vector<std::string>& items)
{
    m_chooseArray = items;
    reload();
}

PropertyList ChooseFieldStructureViewController::structure() const
{
    StructureEditorState state;
    state.items = m_chooseArray;
    return structureFromEditor(type(), state);
}

void ChooseFieldStructureViewController::showStructure(const PropertyList& structure)
{
    setArray(StructureEditor::editorState(type(), structure).items);
}

void ChooseFieldStructureViewController::reload(int selectedRow)
{
    QStringList rows;
    for (const auto& item : m_chooseArray) {
        rows.append(QString::fromStdString(item));
    }
    m_table->setRows(rows, selectedRow);
    updateButtons();
}

std::optional<int> ChooseFieldStructureViewController::selectedRow() const
{
    const QList<QListWidgetItem*> selected = m_table->selectedItems();
    if (selected.size() != 1) {
        return std::nullopt;
    }
    return m_table->row(selected.front());
}

void ChooseFieldStructureViewController::updateButtons()
{
    // Remove and Edit act on the selected item: without one they wait.
    const bool selected = selectedRow().has_value();
    m_removeButton->setEnabled(selected);
    m_edit->setEnabled(selected);
}

void ChooseFieldStructureViewController::addRemoveButton(int segment)
{
    if (segment == 0) {
        change([this] {
            m_chooseArray.push_back(newChoiceItem(m_chooseArray));
            reload(static_cast<int>(m_chooseArray.size()) - 1);
        });
        return;
    }
    const std::optional<int> row = selectedRow();
    if (!row) {
        return;
    }
    if (delegate() != nullptr && delegate()->hasRecords() &&
        !delegate()
             ->alerts()
             .ask({"Attention", "All Data will be lost", {"Delete", "Cancel"}})
             .is("Delete")) {
        return;
    }
    change([this, row] {
        m_chooseArray.erase(m_chooseArray.begin() + *row);
        reload();
    });
}

void ChooseFieldStructureViewController::editButton()
{
    const std::optional<int> row = selectedRow();
    if (!row) {
        return;
    }
    QListWidgetItem* item = m_table->item(*row);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_renamedRow = *row;
    m_table->editItem(item);
}

void ChooseFieldStructureViewController::renameEnded()
{
    const int row = m_renamedRow;
    m_renamedRow = -1;
    QListWidgetItem* item = m_table->item(row);
    if (item == nullptr || row >= static_cast<int>(m_chooseArray.size())) {
        return;
    }
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    const std::string text = item->text().toStdString();
    if (text == m_chooseArray[static_cast<std::size_t>(row)]) {
        return;
    }
    change([this, row, &text] {
        m_chooseArray[static_cast<std::size_t>(row)] = text;
        reload(row);
    });
}

void ChooseFieldStructureViewController::rowMoved(int from, int to)
{
    change([this, from, to] {
        std::string moving = std::move(m_chooseArray[static_cast<std::size_t>(from)]);
        m_chooseArray.erase(m_chooseArray.begin() + from);
        m_chooseArray.insert(m_chooseArray.begin() + to, std::move(moving));
        reload(to);
    });
}

} // namespace dossiva

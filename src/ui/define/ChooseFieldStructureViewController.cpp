#include "ui/define/ChooseFieldStructureViewController.h"

#include "fields/FieldRules.h"
#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "records/StructureEditor.h"
#include "ui/define/StructureFieldViewControllerDelegate.h"
#include "ui/widgets/ReorderableList.h"

#include <QAbstractItemDelegate>
#include <QHBoxLayout>

namespace dossiva {

ChooseFieldStructureViewController::ChooseFieldStructureViewController()
    : StructureFieldViewController(FieldType::Choose),
      m_items(new EditableItemList(tr("Add an item"), tr("Remove the selected item"),
                                   tr("Rename the selected item")))
{
    m_items->setObjectName(QStringLiteral("items"));
    optionsLayout()->addLayout(captionedRow(tr("Items"), m_items, Qt::AlignTop));

    connect(m_items, &EditableItemList::addRequested, this, [this] { addRemoveButton(0); });
    connect(m_items, &EditableItemList::removeRequested, this, [this] { addRemoveButton(1); });
    connect(m_items, &EditableItemList::editRequested, this, [this] { editButton(); });
    connect(m_items, &EditableItemList::rowMoved, this, [this](int from, int to) { moveItem(from, to); });
    // A rename ends when the cell's editor closes, accepted or not; the
    // list has let the editor go by then, so it may be loaded again.
    connect(m_items->list()->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { renameEnded(); });
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
    m_items->setRows(rows, selectedRow);
}

void ChooseFieldStructureViewController::addRemoveButton(int segment)
{
    if (segment == 0) {
        change([this] {
            m_chooseArray.push_back(newChoiceItem(m_chooseArray));
            reload(static_cast<int>(m_chooseArray.size()) - 1);
        });
    } else if (const std::optional<int> row = m_items->selectedRow()) {
        removeItem(*row);
    }
}

void ChooseFieldStructureViewController::removeItem(int row)
{
    if (delegate() != nullptr && delegate()->hasRecords()) {
        AlertRequest question{"Attention", "All Data will be lost", {"Delete", "Cancel"}};
        question.style = AlertStyle::Warning;
        question.defaultButton = "Cancel";
        if (!delegate()->alerts().ask(question).is("Delete")) {
            return;
        }
    }
    change([this, row] {
        m_chooseArray.erase(m_chooseArray.begin() + row);
        reload();
    });
}

void ChooseFieldStructureViewController::editButton()
{
    const std::optional<int> row = m_items->selectedRow();
    if (!row) {
        return;
    }
    QListWidgetItem* item = m_items->list()->item(*row);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_renamedRow = *row;
    m_items->list()->editItem(item);
}

void ChooseFieldStructureViewController::renameEnded()
{
    const int row = m_renamedRow;
    m_renamedRow = -1;
    QListWidgetItem* item = m_items->list()->item(row);
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

void ChooseFieldStructureViewController::moveItem(int from, int to)
{
    change([this, from, to] {
        moveElement(m_chooseArray, from, to);
        reload(to);
    });
}

} // namespace dossiva

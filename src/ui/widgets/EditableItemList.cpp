#include "ui/widgets/EditableItemList.h"

#include "ui/widgets/ReorderableList.h"
#include "ui/widgets/UiText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace dossiva {

namespace {

constexpr int kListHeight = 104;

QToolButton* segment(const char* icon, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(uiIcon(icon));
    button->setIconSize(QSize(14, 14));
    button->setToolTip(tip);
    return button;
}

} // namespace

EditableItemList::EditableItemList(const QString& addTip, const QString& removeTip, const QString& editTip,
                                   QWidget* parent)
    : QWidget(parent), m_list(new ReorderableList(this)), m_addButton(segment("list-add", addTip, this)),
      m_removeButton(segment("list-remove", removeTip, this)), m_editButton(new QPushButton(tr("Edit"), this))
{
    m_list->setFixedHeight(kListHeight);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->installEventFilter(this);
    m_addButton->setObjectName(QStringLiteral("add"));
    m_removeButton->setObjectName(QStringLiteral("remove"));
    m_editButton->setObjectName(QStringLiteral("edit"));
    m_editButton->setToolTip(editTip);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addSpacing(8);
    buttons->addWidget(m_editButton);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_list);
    column->addLayout(buttons);

    connect(m_addButton, &QToolButton::clicked, this, &EditableItemList::addRequested);
    connect(m_removeButton, &QToolButton::clicked, this,
            [this] { askWithSelection(&EditableItemList::removeRequested); });
    connect(m_editButton, &QPushButton::clicked, this,
            [this] { askWithSelection(&EditableItemList::editRequested); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_list, &ReorderableList::rowMoved, this, &EditableItemList::rowMoved);
    updateButtons();
}

void EditableItemList::setRows(const QStringList& rows, int selectedRow)
{
    m_list->setRows(rows, selectedRow);
    updateButtons();
}

std::optional<int> EditableItemList::selectedRow() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1) {
        return std::nullopt;
    }
    return m_list->row(selected.front());
}

void EditableItemList::updateButtons()
{
    const bool selected = selectedRow().has_value();
    m_removeButton->setEnabled(selected);
    m_editButton->setEnabled(selected);
}

void EditableItemList::askWithSelection(void (EditableItemList::*request)())
{
    if (selectedRow()) {
        emit(this->*request)();
    }
}

bool EditableItemList::eventFilter(QObject* watched, QEvent* event)
{
    // Keys on the list itself (an item being renamed has its own editor,
    // which takes the keys).
    if (watched != m_list || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Delete) || key->key() == Qt::Key_Backspace) {
        askWithSelection(&EditableItemList::removeRequested);
        return true;
    }
    if (key->key() == Qt::Key_F2) {
        askWithSelection(&EditableItemList::editRequested);
        return true;
    }
    if (key->modifiers() == Qt::AltModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        const std::optional<int> row = selectedRow();
        const int to = row ? *row + (key->key() == Qt::Key_Up ? -1 : 1) : -1;
        if (row && to >= 0 && to < m_list->count()) {
            emit rowMoved(*row, to);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dossiva

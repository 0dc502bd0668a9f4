#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QPushButton;
class QToolButton;

namespace dossiva {

class ReorderableList;

// A list of items with the buttons that change it: add, remove the selected
// item, edit the selected item. Rows are reordered by dragging them, or with
// Alt+Up and Alt+Down. Remove and Edit act on the selection, so they are
// enabled only while there is one; on the list Delete is the Remove button
// and F2 the Edit button. The list only asks: its owner changes the items
// and shows them again.
class EditableItemList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditableItemList)
public:
    EditableItemList(const QString& addTip, const QString& removeTip, const QString& editTip,
                     QWidget* parent = nullptr);

    // Shows the rows, selecting the one given, or when none is given the
    // row that was selected if it is still there.
    void setRows(const QStringList& rows, int selectedRow = -1);
    std::optional<int> selectedRow() const;

    ReorderableList* list() const { return m_list; }
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* removeButton() const { return m_removeButton; }
    QPushButton* editButton() const { return m_editButton; }

signals:
    void addRequested();
    // Only with a selection.
    void removeRequested();
    void editRequested();
    // A row dragged from `from` is to be at `to`.
    void rowMoved(int from, int to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();
    void askWithSelection(void (EditableItemList::*request)());

    ReorderableList* m_list;
    QToolButton* m_addButton;
    QToolButton* m_removeButton;
    QPushButton* m_editButton;
};

// Moves an element as a reordered row moves: taken from `from`, put at `to`.
template <typename T> void moveElement(std::vector<T>& elements, int from, int to)
{
    T moving = std::move(elements[static_cast<std::size_t>(from)]);
    elements.erase(elements.begin() + from);
    elements.insert(elements.begin() + to, std::move(moving));
}

} // namespace dossiva

#pragma once

#include "ui/define/StructureFieldViewController.h"

#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QToolButton;

namespace dossiva {

class ReorderableList;

// The editor of a choose field (type 8): the name and the items a record
// chooses from, added, removed, renamed and reordered in a list. A record
// keeps the item it chose through renames and moves; removing an item the
// records may have chosen is asked first. Two items never share a text.
class ChooseFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChooseFieldStructureViewController)
public:
    ChooseFieldStructureViewController();

    const std::vector<std::string>& array() const { return m_chooseArray; }
    // Without counting as a change.
    void setArray(const std::vector<std::string>& items);
    PropertyList structure() const override;

    // Segment 0 adds an item, 1 removes the selected one.
    void addRemoveButton(int segment);
    // Starts renaming the selected item in place.
    void editButton();

    ReorderableList* table() const { return m_table; }
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* removeButton() const { return m_removeButton; }
    QPushButton* editCommand() const { return m_edit; }

protected:
    void showStructure(const PropertyList& structure) override;

private:
    void reload(int selectedRow = -1);
    void updateButtons();
    // The rename of the edited row ended: a new text is a change.
    void renameEnded();
    void rowMoved(int from, int to);
    std::optional<int> selectedRow() const;

    std::vector<std::string> m_chooseArray;
    ReorderableList* m_table;
    QToolButton* m_addButton;
    QToolButton* m_removeButton;
    QPushButton* m_edit;
    int m_renamedRow = -1;
};

} // namespace dossiva

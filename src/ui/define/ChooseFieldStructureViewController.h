#pragma once

#include "ui/define/StructureFieldViewController.h"

#include "ui/widgets/EditableItemList.h"

#include <string>
#include <vector>

namespace dossiva {

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

    EditableItemList* items() const { return m_items; }

protected:
    void showStructure(const PropertyList& structure) override;

private:
    void reload(int selectedRow = -1);
    // Asks first when records may have chosen the item.
    void removeItem(int row);
    // The rename of the edited row ended: a new text is a change.
    void renameEnded();
    void moveItem(int from, int to);

    std::vector<std::string> m_chooseArray;
    EditableItemList* m_items;
    int m_renamedRow = -1;
};

} // namespace dossiva

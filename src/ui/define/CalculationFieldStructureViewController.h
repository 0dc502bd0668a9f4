#pragma once

#include "ui/define/AddComponentWindow.h"
#include "ui/define/StructureFieldViewController.h"
#include "ui/widgets/EditableItemList.h"

#include <vector>

class QLabel;

namespace dossiva {

// The editor of a calculation field (type 11): the name and the formula, a
// list of components (number fields and operators) built in a panel,
// reordered by dragging and read back in words below. A database with
// fewer than two number fields gets a word of explanation instead.
class CalculationFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalculationFieldStructureViewController)
public:
    CalculationFieldStructureViewController();

    // The number fields a formula can name, in form order.
    void setNumberFields(const std::vector<NumberFieldRef>& numberFields);
    // Without counting as a change.
    void setStructure(const PropertyList& formula);
    PropertyList structure() const override;

    // Segment 0 adds a component through the panel, 1 removes the selected
    // one.
    void addRemoveButton(int segment);
    // Replaces the selected component through the panel.
    void editButton();
    void updateResultLabel();

    EditableItemList* calcTable() const { return m_calcTable; }
    QLabel* calcResult() const { return m_calcResult; }
    QLabel* warningText() const { return m_warningText; }
    AddComponentWindow* addComponentWindow() const { return m_addComponentWindow; }

protected:
    void showStructure(const PropertyList& structure) override;

private:
    void reload(int selectedRow = -1);
    // The panel, made on first use.
    AddComponentWindow& panel();
    void addComponentButton(AddComponentWindow::Tag tag, const PropertyList& component);
    void rowMoved(int from, int to);
    PropertyList::Array& components();

    PropertyList m_structure;
    std::vector<NumberFieldRef> m_numberFields;
    QWidget* m_formula;
    EditableItemList* m_calcTable;
    QLabel* m_calcResult;
    QLabel* m_warningText;
    AddComponentWindow* m_addComponentWindow = nullptr;
};

} // namespace dossiva

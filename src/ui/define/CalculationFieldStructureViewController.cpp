#include "ui/define/CalculationFieldStructureViewController.h"

#include "fields/FormulaWords.h"
#include "ui/widgets/ReorderableList.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace dossiva {

CalculationFieldStructureViewController::CalculationFieldStructureViewController()
    : StructureFieldViewController(FieldType::Calculation), m_formula(new QWidget),
      m_calcTable(new EditableItemList(tr("Add a number field or an operator"),
                                       tr("Remove the selected component"),
                                       tr("Replace the selected component"))),
      m_calcResult(new QLabel),
      m_warningText(new QLabel(tr("A calculation computes with number fields: add at least two number "
                                  "fields to this database to write its formula.")))
{
    m_calcTable->setObjectName(QStringLiteral("calcTable"));
    m_calcResult->setObjectName(QStringLiteral("calcResult"));
    m_calcResult->setWordWrap(true);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    m_warningText->setWordWrap(true);
    m_warningText->setStyleSheet(QStringLiteral("color: #8a5a00;"));

    auto* rows = new QVBoxLayout(m_formula);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(captionedRow(tr("Formula"), m_calcTable, Qt::AlignTop));
    rows->addLayout(captionedRow(tr("Reads"), m_calcResult, Qt::AlignTop));
    optionsLayout()->addWidget(m_formula);
    optionsLayout()->addWidget(m_warningText);

    connect(m_calcTable, &EditableItemList::addRequested, this, [this] { addRemoveButton(0); });
    connect(m_calcTable, &EditableItemList::removeRequested, this, [this] { addRemoveButton(1); });
    connect(m_calcTable, &EditableItemList::editRequested, this, [this] { editButton(); });
    connect(m_calcTable, &EditableItemList::rowMoved, this, [this](int from, int to) { rowMoved(from, to); });
    setNumberFields({});
    setStructure(PropertyList::array());
}

PropertyList::Array& CalculationFieldStructureViewController::components()
{
    if (!m_structure.isArray()) {
        m_structure = PropertyList::array();
    }
    return *m_structure.asArray();
}

void CalculationFieldStructureViewController::setNumberFields(const std::vector<NumberFieldRef>& numberFields)
{
    m_numberFields = numberFields;
    const bool enough = numberFields.size() >= 2;
    m_formula->setVisible(enough);
    m_warningText->setVisible(!enough);
    reload();
    updateResultLabel();
}

void CalculationFieldStructureViewController::setStructure(const PropertyList& formula)
{
    m_structure = formula.isArray() ? formula : PropertyList::array();
    reload();
    updateResultLabel();
}

PropertyList CalculationFieldStructureViewController::structure() const
{
    return m_structure;
}

void CalculationFieldStructureViewController::showStructure(const PropertyList& structure)
{
    setStructure(structure);
}

void CalculationFieldStructureViewController::reload(int selectedRow)
{
    QStringList rows;
    for (const auto& component : components()) {
        rows.append(QString::fromStdString(FormulaWords::component(component, m_numberFields)));
    }
    m_calcTable->setRows(rows, selectedRow);
}

void CalculationFieldStructureViewController::updateResultLabel()
{
    m_calcResult->setText(QString::fromStdString(FormulaWords::describe(m_structure, m_numberFields)));
}

AddComponentWindow& CalculationFieldStructureViewController::panel()
{
    if (m_addComponentWindow == nullptr) {
        m_addComponentWindow = new AddComponentWindow(view());
        connect(m_addComponentWindow, &AddComponentWindow::componentChosen, this,
                [this](AddComponentWindow::Tag tag, const PropertyList& component) {
                    addComponentButton(tag, component);
                });
    }
    return *m_addComponentWindow;
}

void CalculationFieldStructureViewController::addRemoveButton(int segment)
{
    if (segment == 0) {
        panel().start(AddComponentWindow::Add, m_numberFields);
        return;
    }
    const std::optional<int> row = m_calcTable->selectedRow();
    if (!row) {
        return;
    }
    change([this, row] {
        components().erase(components().begin() + *row);
        reload();
        updateResultLabel();
    });
}

void CalculationFieldStructureViewController::editButton()
{
    if (m_calcTable->selectedRow()) {
        panel().start(AddComponentWindow::Replace, m_numberFields);
    }
}

void CalculationFieldStructureViewController::addComponentButton(AddComponentWindow::Tag tag,
                                                                 const PropertyList& component)
{
    const std::optional<int> row = m_calcTable->selectedRow();
    if (tag == AddComponentWindow::Replace && !row) {
        return;
    }
    change([this, tag, row, &component] {
        if (tag == AddComponentWindow::Add) {
            components().push_back(component);
        } else {
            components()[static_cast<std::size_t>(*row)] = component;
        }
        reload(tag == AddComponentWindow::Add ? static_cast<int>(components().size()) - 1 : *row);
        updateResultLabel();
    });
    // The panel is gone: the formula it changed has the keyboard again.
    m_calcTable->list()->setFocus(Qt::OtherFocusReason);
}

void CalculationFieldStructureViewController::rowMoved(int from, int to)
{
    change([this, from, to] {
        moveElement(components(), from, to);
        reload(to);
        updateResultLabel();
    });
}

} // namespace dossiva

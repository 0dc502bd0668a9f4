#include "ui/define/CalculationFieldStructureViewController.h"

#include "fields/FormulaWords.h"
#include "ui/widgets/ReorderableList.h"
#include "ui/widgets/UiText.h"

#include <QGridLayout>
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

CalculationFieldStructureViewController::CalculationFieldStructureViewController()
    : StructureFieldViewController(FieldType::Calculation), m_formula(new QWidget),
      m_calcTable(new ReorderableList),
      m_addButton(segment("list-add", tr("Add a number field or an operator"), "addComponent")),
      m_removeButton(segment("list-remove", tr("Remove the selected component"), "removeComponent")),
      m_editButton(new QPushButton(tr("Edit"))), m_calcResult(new QLabel),
      m_warningText(new QLabel(tr("A calculation computes with number fields: add at least two number "
                                  "fields to this database to write its formula.")))
{
    m_calcTable->setObjectName(QStringLiteral("calcTable"));
    m_calcTable->setFixedHeight(kListHeight);
    m_editButton->setObjectName(QStringLiteral("editComponent"));
    m_editButton->setToolTip(tr("Replace the selected component"));
    m_calcResult->setObjectName(QStringLiteral("calcResult"));
    m_calcResult->setWordWrap(true);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    m_warningText->setWordWrap(true);
    m_warningText->setStyleSheet(QStringLiteral("color: #8a5a00;"));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addSpacing(8);
    buttons->addWidget(m_editButton);
    buttons->addStretch(1);
    auto* grid = new QGridLayout(m_formula);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnMinimumWidth(0, 64);
    grid->addWidget(new QLabel(tr("Formula")), 0, 0, Qt::AlignTop);
    grid->addWidget(m_calcTable, 0, 1);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(new QLabel(tr("Reads")), 2, 0, Qt::AlignTop);
    grid->addWidget(m_calcResult, 2, 1);
    grid->setColumnStretch(1, 1);
    optionsLayout()->addWidget(m_formula);
    optionsLayout()->addWidget(m_warningText);

    connect(m_addButton, &QToolButton::clicked, this, [this] { addRemoveButton(0); });
    connect(m_removeButton, &QToolButton::clicked, this, [this] { addRemoveButton(1); });
    connect(m_editButton, &QPushButton::clicked, this, [this] { editButton(); });
    connect(m_calcTable, &QListWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_calcTable, &ReorderableList::rowMoved, this, [this](int from, int to) { rowMoved(from, to); });
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
    updateButtons();
}

std::optional<int> CalculationFieldStructureViewController::selectedRow() const
{
    const QList<QListWidgetItem*> selected = m_calcTable->selectedItems();
    if (selected.size() != 1) {
        return std::nullopt;
    }
    return m_calcTable->row(selected.front());
}

void CalculationFieldStructureViewController::updateButtons()
{
    // Remove and Edit act on the selected component: without one they wait.
    const bool selected = selectedRow().has_value();
    m_removeButton->setEnabled(selected);
    m_editButton->setEnabled(selected);
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
    const std::optional<int> row = selectedRow();
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
    if (selectedRow()) {
        panel().start(AddComponentWindow::Replace, m_numberFields);
    }
}

void CalculationFieldStructureViewController::addComponentButton(AddComponentWindow::Tag tag,
                                                                 const PropertyList& component)
{
    const std::optional<int> row = selectedRow();
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
}

void CalculationFieldStructureViewController::rowMoved(int from, int to)
{
    change([this, from, to] {
        PropertyList moving = std::move(components()[static_cast<std::size_t>(from)]);
        components().erase(components().begin() + from);
        components().insert(components().begin() + to, std::move(moving));
        reload(to);
        updateResultLabel();
    });
}

} // namespace dossiva

#include "ui/define/AddComponentWindow.h"

#include "fields/CalculationEngine.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace dossiva {

namespace {

const char* const kOperators[] = {"+", "-", "*", "/"};

} // namespace

AddComponentWindow::AddComponentWindow(QWidget* parent)
    : QDialog(parent), m_operatorTable(new QListWidget(this)), m_fieldsTable(new QListWidget(this)),
      m_chooseFieldButton(new QPushButton(tr("Choose"), this))
{
    setModal(true);
    m_operatorTable->setObjectName(QStringLiteral("operatorTable"));
    m_fieldsTable->setObjectName(QStringLiteral("fieldsTable"));
    m_chooseFieldButton->setObjectName(QStringLiteral("chooseFieldButton"));
    for (const char* symbol : kOperators) {
        auto* row = new QListWidgetItem(QString::fromLatin1(symbol), m_operatorTable);
        row->setTextAlignment(Qt::AlignCenter);
    }
    m_operatorTable->setFixedWidth(64);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_chooseFieldButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    m_chooseFieldButton->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Operator"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Number field"), this), 0, 1);
    grid->addWidget(m_operatorTable, 1, 0);
    grid->addWidget(m_fieldsTable, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
    resize(340, 260);

    for (QListWidget* table : {m_operatorTable, m_fieldsTable}) {
        connect(table, &QListWidget::itemSelectionChanged, this, [this, table] { selected(table); });
        connect(table, &QListWidget::itemDoubleClicked, this, [this] { choose(); });
    }
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void AddComponentWindow::start(Tag tag, const std::vector<NumberFieldRef>& numberFields)
{
    m_tag = tag;
    m_numberFields = numberFields;
    setWindowTitle(tag == Add ? tr("Add to the Formula") : tr("Change the Formula"));
    m_fieldsTable->clear();
    for (const auto& field : numberFields) {
        m_fieldsTable->addItem(QString::fromStdString(field.name));
    }
    m_operatorTable->clearSelection();
    m_fieldsTable->clearSelection();
    m_chooseFieldButton->setEnabled(false);
    open();
}

void AddComponentWindow::selected(QListWidget* table)
{
    if (!table->selectedItems().isEmpty()) {
        QListWidget* other = table == m_operatorTable ? m_fieldsTable : m_operatorTable;
        other->clearSelection();
    }
    m_chooseFieldButton->setEnabled(!m_operatorTable->selectedItems().isEmpty() ||
                                    !m_fieldsTable->selectedItems().isEmpty());
}

void AddComponentWindow::choose()
{
    PropertyList component;
    if (const auto fields = m_fieldsTable->selectedItems(); !fields.isEmpty()) {
        const auto row = static_cast<std::size_t>(m_fieldsTable->row(fields.front()));
        component = CalculationEngine::operandComponent(m_numberFields.at(row).id);
    } else if (const auto operators = m_operatorTable->selectedItems(); !operators.isEmpty()) {
        component = CalculationEngine::operatorComponent(operators.front()->text().toStdString());
    } else {
        return;
    }
    accept();
    emit componentChosen(m_tag, component);
}

} // namespace dossiva

#include "ui/fieldviews/CreatedModifiedDateFieldViewController.h"

#include "fields/DateDisplay.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace dossiva {

CreatedModifiedDateFieldViewController::CreatedModifiedDateFieldViewController(
    const FieldViewContext& context, QWidget* parent)
    : FieldViewController(FieldType::CreationDate, context, parent), m_format(DateDisplay::recordDateFormat())
{
    setID("-1");
    auto* rows = new QVBoxLayout(m_view);
    rows->setContentsMargins(0, 6, 12, 6);
    rows->setSpacing(2);
    m_created = addRow(rows, tr("Created"));
    m_modified = addRow(rows, tr("Modified"));
    // The two titles are fixed: no field name replaces them.
    m_label = nullptr;
    fitHeight();
}

QLabel* CreatedModifiedDateFieldViewController::addRow(QVBoxLayout* rows, const QString& title)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    QLabel* label = makeLabel();
    label->setText(title);
    auto* value = new QLabel(m_view);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addValueWidget(value);
    row->addWidget(label);
    row->addWidget(value, 1);
    rows->addLayout(row);
    return value;
}

void CreatedModifiedDateFieldViewController::setCreatedDate(std::optional<std::int64_t> seconds)
{
    m_created->setText(QString::fromStdString(DateDisplay::recordDateText(m_format, seconds)));
}

void CreatedModifiedDateFieldViewController::setModifiedDate(std::optional<std::int64_t> seconds)
{
    m_modified->setText(QString::fromStdString(DateDisplay::recordDateText(m_format, seconds)));
}

} // namespace dossiva

#include "ui/sync/ConflictCopyBox.h"

#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace dossiva {

namespace {

QLabel* plainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ConflictCopyBox::ConflictCopyBox(const QString& side, QWidget* parent)
    : QFrame(parent), m_name(plainLabel(this)), m_records(plainLabel(this)), m_fields(plainLabel(this)),
      m_edited(plainLabel(this))
{
    setAccessibleName(side);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* heading = new QLabel(side, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* counts = new QFormLayout;
    counts->addRow(tr("Records:"), m_records);
    counts->addRow(tr("Fields:"), m_fields);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_name);
    layout->addLayout(counts);
    layout->addWidget(m_edited);
    layout->addStretch(1);
    setSelected(false);
}

void ConflictCopyBox::showCopy(const QString& name, const ConflictBox& box)
{
    m_name->setText(name);
    m_records->setText(QString::fromStdString(box.records));
    m_fields->setText(QString::fromStdString(box.fields));
    m_edited->setText(QString::fromStdString(box.edited));
}

void ConflictCopyBox::setSelected(bool selected)
{
    m_selected = selected;
    // The copy kept stands out the way a selected row does.
    QPalette look = palette();
    look.setColor(QPalette::Window,
                  selected ? look.color(QPalette::Highlight).lighter(170) : look.color(QPalette::Base));
    setPalette(look);
    setFrameShadow(selected ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(selected ? 2 : 1);
}

QString ConflictCopyBox::recordsText() const
{
    return m_records->text();
}

QString ConflictCopyBox::fieldsText() const
{
    return m_fields->text();
}

QString ConflictCopyBox::editedText() const
{
    return m_edited->text();
}

QString ConflictCopyBox::nameText() const
{
    return m_name->text();
}

void ConflictCopyBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        emit clicked();
        return;
    }
    QFrame::mousePressEvent(event);
}

void ConflictCopyBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
        emit clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace dossiva

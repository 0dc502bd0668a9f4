#include "ui/fieldviews/ChooseFieldViewController.h"

#include "fields/TextNumbers.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace dossiva {

ChooseFieldViewController::ChooseFieldViewController(const FieldViewContext& context, QWidget* parent)
    : FieldViewController(FieldType::Choose, context, parent), m_popUp(new QComboBox(m_view))
{
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(0, 3, 12, 3);
    row->addWidget(makeLabel());
    row->addWidget(m_popUp);
    row->addStretch(1);
    m_popUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // activated, unlike currentIndexChanged, is the user's alone.
    connect(m_popUp, &QComboBox::activated, this, &ChooseFieldViewController::chosen);
    setPopUpContent({});
    fitHeight();
}

void ChooseFieldViewController::setPopUpContent(const std::vector<std::string>& items)
{
    const QSignalBlocker blocker(m_popUp);
    m_popUp->clear();
    for (const auto& item : items) {
        m_popUp->addItem(QString::fromStdString(item));
    }
    m_popUp->addItem(QString());
    setSelectedRow(-1);
}

void ChooseFieldViewController::setSelectedRow(int row)
{
    m_selection = row >= 0 && row < emptyRow() ? row : emptyRow();
    const QSignalBlocker blocker(m_popUp);
    m_popUp->setCurrentIndex(m_selection);
    setEdited(false);
}

QWidget* ChooseFieldViewController::textView() const
{
    return m_popUp;
}

void ChooseFieldViewController::setText(const std::string& text)
{
    selectStored(leadingInteger(text));
}

std::string ChooseFieldViewController::text() const
{
    const int row = m_popUp->currentIndex();
    return std::to_string(row >= 0 && row < emptyRow() ? row : -1);
}

FieldSnapshot ChooseFieldViewController::shownObject() const
{
    return std::int64_t{m_selection};
}

void ChooseFieldViewController::restore(const FieldSnapshot& snapshot)
{
    const auto* row = std::get_if<std::int64_t>(&snapshot);
    selectStored(row != nullptr ? *row : -1);
}

void ChooseFieldViewController::chosen(int index)
{
    if (index == m_selection) {
        return;
    }
    beginEdit(shownObject());
    m_selection = index;
    endEdit();
}

void ChooseFieldViewController::selectStored(std::int64_t row)
{
    // Checked before narrowing, so that no stored number wraps onto an item.
    setSelectedRow(row >= 0 && row < emptyRow() ? static_cast<int>(row) : -1);
}

int ChooseFieldViewController::emptyRow() const
{
    return m_popUp->count() - 1;
}

} // namespace dossiva

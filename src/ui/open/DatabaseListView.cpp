#include "ui/open/DatabaseListView.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace dossiva {

namespace {

// A row asks for no more width than its picture: a list lays its rows out
// as wide as the widest one asks, and a long name would then run past the
// list's edge instead of being cut with an ellipsis at it.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize natural = QStyledItemDelegate::sizeHint(option, index);
        return {std::min(natural.width(), option.decorationSize.width() * 2), natural.height()};
    }
};

} // namespace

DatabaseListView::DatabaseListView(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Renaming starts from a double click on the name, or F2.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setTextElideMode(Qt::ElideRight);
    setItemDelegate(new RowDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QRect DatabaseListView::elementRect(int row, QStyle::SubElement element) const
{
    const QListWidgetItem* item = this->item(row);
    if (item == nullptr) {
        return {};
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(item);
    option.index = indexFromItem(item);
    option.text = item->text();
    option.icon = item->icon();
    option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    return style()->subElementRect(element, &option, this);
}

QRect DatabaseListView::pictureRect(int row) const
{
    return elementRect(row, QStyle::SE_ItemViewItemDecoration);
}

QRect DatabaseListView::nameRect(int row) const
{
    return elementRect(row, QStyle::SE_ItemViewItemText);
}

bool DatabaseListView::isNameElided(int row) const
{
    const QListWidgetItem* item = this->item(row);
    if (item == nullptr) {
        return false;
    }
    // The style keeps a small margin inside the text rectangle.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return fontMetrics().horizontalAdvance(item->text()) > nameRect(row).width() - 2 * margin;
}

void DatabaseListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (!selectedItems().isEmpty()) {
            emit deleteRequested();
        }
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DatabaseListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int row = indexAt(at).row();
    if (row < 0 || event->button() != Qt::LeftButton) {
        QListWidget::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    if (pictureRect(row).contains(at)) {
        emit pictureDoubleClicked(row);
    } else {
        emit nameDoubleClicked(row);
    }
}

bool DatabaseListView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) {
        return QListWidget::viewportEvent(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = indexAt(help->pos()).row();
    if (row >= 0 && isNameElided(row)) {
        QToolTip::showText(help->globalPos(), item(row)->text(), viewport(), visualItemRect(item(row)));
    } else {
        QToolTip::hideText();
    }
    return true;
}

} // namespace dossiva

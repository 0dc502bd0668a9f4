#include "ui/widgets/RadioCellDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace dossiva {

namespace {

const QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget != nullptr ? option.widget->style() : QApplication::style();
}

QRect indicatorRect(const QStyleOptionViewItem& option)
{
    const QStyle* style = styleOf(option);
    const QSize size(style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, option.widget),
                     style->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, option.widget));
    return QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
}

bool isChoosable(const QModelIndex& index)
{
    const Qt::ItemFlags flags = index.flags();
    return flags.testFlag(Qt::ItemIsUserCheckable) && flags.testFlag(Qt::ItemIsEnabled);
}

} // namespace

void RadioCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // The background and focus of the cell as the style draws them, without
    // its own check box or text.
    cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    cell.text.clear();
    const QStyle* style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);

    QStyleOptionButton radio;
    radio.rect = indicatorRect(option);
    radio.direction = option.direction;
    radio.palette = option.palette;
    radio.state = QStyle::State_None;
    if (isChoosable(index)) {
        radio.state |= QStyle::State_Enabled;
    }
    const bool chosen = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    radio.state |= chosen ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &radio, painter, option.widget);
}

QSize RadioCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize indicator = indicatorRect(option).size();
    return QStyledItemDelegate::sizeHint(option, index).expandedTo(indicator + QSize(8, 6));
}

bool RadioCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!isChoosable(index)) {
        return false;
    }
    bool choose = false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Handled on release; a double click must not start an editor.
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        choose = mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint());
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        choose = key == Qt::Key_Space || key == Qt::Key_Select;
        break;
    }
    default:
        return false;
    }
    if (choose && index.data(Qt::CheckStateRole).toInt() != Qt::Checked) {
        model->setData(index, Qt::Checked, Qt::CheckStateRole);
    }
    return choose;
}

} // namespace dossiva

#pragma once

#include <QStyledItemDelegate>

namespace dossiva {

// Shows a checkable table cell as a radio button, for a column in which
// exactly one row is chosen. A click or the space bar chooses the row; a
// chosen row is not unchosen by clicking it again.
class RadioCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RadioCellDelegate)
public:
    explicit RadioCellDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

} // namespace dossiva

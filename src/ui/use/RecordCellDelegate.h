#pragma once

#include "records/ListColumns.h"

#include <QIcon>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

namespace dossiva {

class RecordTableModel;

// Draws the record list's cells by their kind and lays the editors of the
// cells edited in place over them: a line (hiding what is typed for a
// hidden password) or a small pop-up for a choice. Ending an edit, by
// Return, Tab, Shift-Tab or leaving it, commits its value; only Escape
// drops what was typed.
class RecordCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordCellDelegate)
public:
    static constexpr int kRowHeight = 26;

    // Where a click lands in a cell: on its value, on its button (e-mail,
    // link, password), or beside both.
    enum class Part { None, Value, Button };
    // The band a cell's value is drawn and edited in.
    static QRect valueRect(ListColumn::Cell cell, const QRect& rect);
    // The button of an e-mail, link or password cell; empty for the others.
    static QRect buttonRect(ListColumn::Cell cell, const QRect& rect);
    static Part hit(ListColumn::Cell cell, const QRect& rect, const QPoint& point);

    explicit RecordCellDelegate(const RecordTableModel& model, QObject* parent = nullptr);

    // Asked before an edit's value is committed, with the typed text: false
    // keeps the editor open (the refusal has been told).
    void setAcceptance(std::function<bool(const QModelIndex&, const QString&)> accepts)
    {
        m_accepts = std::move(accepts);
    }
    // The editor open now, if any.
    QWidget* editor() const { return m_editor; }
    // Ends the open edit as leaving it does. False when its text was refused
    // and the editor stays.
    bool endEdit();
    // Closes the open editor, dropping what was typed.
    void dropEdit();

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

signals:
    // The edit of a cell ended and its value went to the model: step +1
    // by Tab, -1 by Shift-Tab, 0 otherwise.
    void editEnded(int row, int column, int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool finish(int step);
    void paintText(QPainter* painter, const QRect& band, const QString& text, const QColor& colour,
                   const QFont& font) const;
    void paintButton(QPainter* painter, const QRect& rect, const QIcon& icon, bool enabled) const;
    void paintPicture(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QColor& colour) const;
    void paintChoice(QPainter* painter, const QStyleOptionViewItem& option, const QString& text) const;
    void paintCheckbox(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    const RecordTableModel& m_model;
    std::function<bool(const QModelIndex&, const QString&)> m_accepts;
    mutable QPointer<QWidget> m_editor;
    mutable QPersistentModelIndex m_editedIndex;
    bool m_refusing = false;
    QIcon m_emailIcon;
    QIcon m_linkIcon;
    QIcon m_passwordIcon;
};

} // namespace dossiva

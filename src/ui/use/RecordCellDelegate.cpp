#include "ui/use/RecordCellDelegate.h"

#include "ui/use/RecordTableModel.h"
#include "ui/widgets/UiText.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

namespace dossiva {

namespace {

// The bands and buttons of the cells, in points from the cell's edges.
constexpr int kTextBand = 20;
constexpr int kDateBand = 22;
constexpr int kInset = 2;
constexpr int kAddressTextLoss = 49;
constexpr int kAddressButtonWidth = 40;
constexpr int kAddressButtonFromRight = 45;
constexpr int kPasswordTextLoss = 37;
constexpr int kPasswordButtonSide = 18;
constexpr int kPasswordButtonFromRight = 28;
constexpr int kChoiceHeight = 20;
constexpr int kChoicePointSize = 10;
// Twelve of the points the cells are measured in, so that the words fit the
// row whatever the screen's resolution.
constexpr int kPictureTextPixels = 12;
const QColor kGrey = QColor::fromRgbF(0.4f, 0.4f, 0.4f);

QRect band(const QRect& rect, int width, int height)
{
    return {rect.left() + kInset, rect.top() + (rect.height() - height) / 2, width, height};
}

// The text of a selected row: white on the focused table's selection, the
// ordinary colour on the grey of a table without the focus.
QColor selectedTextColour(const QStyleOptionViewItem& option)
{
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    return option.palette.color(group, QPalette::HighlightedText);
}

bool isRecordDate(const ListColumn& column)
{
    return column.type == FieldType::CreationDate || column.type == FieldType::ModificationDate;
}

} // namespace

QRect RecordCellDelegate::valueRect(ListColumn::Cell cell, const QRect& rect)
{
    switch (cell) {
    case ListColumn::Cell::Email:
    case ListColumn::Cell::Link:
        return band(rect, rect.width() - kAddressTextLoss, kTextBand);
    case ListColumn::Cell::Password:
        return band(rect, rect.width() - kPasswordTextLoss, kTextBand);
    case ListColumn::Cell::Date:
        return band(rect, rect.width() - 2 * kInset, kDateBand);
    case ListColumn::Cell::Text:
        return band(rect, rect.width() - 2 * kInset, kTextBand);
    default:
        return rect;
    }
}

QRect RecordCellDelegate::buttonRect(ListColumn::Cell cell, const QRect& rect)
{
    switch (cell) {
    case ListColumn::Cell::Email:
    case ListColumn::Cell::Link:
        return {rect.right() + 1 - kAddressButtonFromRight, rect.top() + (rect.height() - kTextBand) / 2,
                kAddressButtonWidth, kTextBand};
    case ListColumn::Cell::Password:
        return {rect.right() + 1 - kPasswordButtonFromRight,
                rect.top() + (rect.height() - kPasswordButtonSide) / 2, kPasswordButtonSide,
                kPasswordButtonSide};
    default:
        return {};
    }
}

RecordCellDelegate::Part RecordCellDelegate::hit(ListColumn::Cell cell, const QRect& rect,
                                                 const QPoint& point)
{
    if (buttonRect(cell, rect).contains(point)) {
        return Part::Button;
    }
    return valueRect(cell, rect).contains(point) ? Part::Value : Part::None;
}

RecordCellDelegate::RecordCellDelegate(const RecordTableModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model), m_emailIcon(uiIcon("mail-message-new")),
      m_linkIcon(uiIcon("internet-web-browser")), m_passwordIcon(uiIcon("password-menu"))
{
}

// ---------------------------------------------------------------------------
// Drawing

void RecordCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& given,
                               const QModelIndex& index) const
{
    // The selection shows grey while the focus is elsewhere in the window,
    // not only while the window is in the background; a cell's editor is
    // the table's own.
    QStyleOptionViewItem option = given;
    const QWidget* table = option.widget;
    if (table != nullptr) {
        const bool focused = table->hasFocus() || table->isAncestorOf(QApplication::focusWidget());
        option.state.setFlag(QStyle::State_Active, focused && table->isActiveWindow());
    }
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const ListColumn& column = m_model.column(index.column());
    const bool selected = option.state & QStyle::State_Selected;
    const QColor colour = selected               ? selectedTextColour(option)
                          : isRecordDate(column) ? kGrey
                                                 : option.palette.color(QPalette::Text);
    const QString text = index.data(Qt::DisplayRole).toString();
    QFont font = option.font;
    font.setBold(column.type == FieldType::Main);

    painter->save();
    painter->setClipRect(option.rect);
    switch (column.cell) {
    case ListColumn::Cell::Email:
    case ListColumn::Cell::Link:
        paintText(painter, valueRect(column.cell, option.rect), text, colour, font);
        paintButton(painter, buttonRect(column.cell, option.rect),
                    column.cell == ListColumn::Cell::Email ? m_emailIcon : m_linkIcon, !text.isEmpty());
        break;
    case ListColumn::Cell::Password: {
        const bool shown = index.data(RecordTableModel::ShownRole).toBool();
        paintText(painter, valueRect(column.cell, option.rect),
                  shown ? text : QString(text.size(), QChar(0x2022)), colour, font);
        paintButton(painter, buttonRect(column.cell, option.rect), m_passwordIcon, !text.isEmpty());
        break;
    }
    case ListColumn::Cell::Picture:
        paintPicture(painter, option, index, selected ? colour : kGrey);
        break;
    case ListColumn::Cell::Choice:
        paintChoice(painter, option, text);
        break;
    case ListColumn::Cell::Checkbox:
        paintCheckbox(painter, option, index);
        break;
    default:
        paintText(painter, valueRect(column.cell, option.rect), text, colour, font);
        break;
    }
    painter->restore();
}

void RecordCellDelegate::paintText(QPainter* painter, const QRect& band, const QString& text,
                                   const QColor& colour, const QFont& font) const
{
    painter->setFont(font);
    painter->setPen(colour);
    const QString elided = QFontMetrics(font).elidedText(text.simplified(), Qt::ElideRight, band.width());
    painter->drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
}

void RecordCellDelegate::paintButton(QPainter* painter, const QRect& rect, const QIcon& icon,
                                     bool enabled) const
{
    const int side = std::min(rect.width(), rect.height()) - 2;
    const QRect square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    icon.paint(painter, square, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
}

void RecordCellDelegate::paintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index, const QColor& colour) const
{
    const QRect inside = option.rect.adjusted(kInset + 1, kInset, -kInset - 1, -kInset);
    const QImage picture = m_model.picture(index, inside.height());
    if (!picture.isNull()) {
        const QSize size =
            picture.size().scaled(inside.size(), Qt::KeepAspectRatio).boundedTo(picture.size());
        QRect target(QPoint(0, 0), size);
        target.moveCenter(inside.center());
        painter->drawImage(target, picture);
        return;
    }
    painter->setPen(QPen(colour, 2));
    painter->drawRect(inside.adjusted(1, 1, -1, -1));
    QFont font = option.font;
    font.setPixelSize(kPictureTextPixels);
    painter->setFont(font);
    painter->drawText(inside, Qt::AlignCenter,
                      QFontMetrics(font).elidedText(tr("Click to edit"), Qt::ElideRight, inside.width() - 4));
}

void RecordCellDelegate::paintChoice(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QString& text) const
{
    QFont small = option.font;
    small.setPointSize(kChoicePointSize);
    QStyleOptionComboBox box;
    box.initFrom(option.widget);
    box.rect =
        QRect(option.rect.left() + kInset, option.rect.top() + (option.rect.height() - kChoiceHeight) / 2,
              option.rect.width() - 2 * kInset, kChoiceHeight);
    box.currentText = text;
    box.fontMetrics = QFontMetrics(small);
    box.state = QStyle::State_Enabled;
    painter->setFont(small);
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawComplexControl(QStyle::CC_ComboBox, &box, painter, option.widget);
    style->drawControl(QStyle::CE_ComboBoxLabel, &box, painter, option.widget);
}

void RecordCellDelegate::paintCheckbox(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QStyleOptionButton box;
    box.initFrom(option.widget);
    box.rect = option.rect.adjusted(2 * kInset, 0, -kInset, 0);
    box.text = index.data(Qt::DisplayRole).toString();
    box.state =
        QStyle::State_Enabled |
        (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    if (option.state & QStyle::State_Selected) {
        box.palette.setColor(QPalette::WindowText, selectedTextColour(option));
        box.palette.setColor(QPalette::ButtonText, selectedTextColour(option));
    }
    painter->setFont(option.font);
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_CheckBox, &box, painter, option.widget);
}

QSize RecordCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
}

// ---------------------------------------------------------------------------
// Editing

QWidget* RecordCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const
{
    const ListColumn& column = m_model.column(index.column());
    QWidget* editor = nullptr;
    if (column.cell == ListColumn::Cell::Choice) {
        auto* popUp = new QComboBox(parent);
        QFont small = popUp->font();
        small.setPointSize(kChoicePointSize);
        popUp->setFont(small);
        for (const std::string& item : column.choices) {
            popUp->addItem(QString::fromStdString(item));
        }
        popUp->addItem(QString());
        // activated, unlike currentIndexChanged, is the user's choice alone,
        // and ends the edit. Qt makes editors through a const function; the
        // edit ended is this delegate's own.
        auto* self = const_cast<RecordCellDelegate*>(this);
        connect(popUp, &QComboBox::activated, self, [self] { self->finish(0); });
        editor = popUp;
    } else {
        auto* line = new QLineEdit(parent);
        if (column.cell == ListColumn::Cell::Password && !index.data(RecordTableModel::ShownRole).toBool()) {
            line->setEchoMode(QLineEdit::Password);
        }
        editor = line;
    }
    editor->setObjectName(QStringLiteral("cellEditor"));
    m_editor = editor;
    m_editedIndex = index;
    return editor;
}

void RecordCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* popUp = qobject_cast<QComboBox*>(editor)) {
        popUp->setCurrentIndex(index.data(Qt::EditRole).toInt());
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(index.data(Qt::EditRole).toString());
        line->selectAll();
    }
}

void RecordCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const
{
    if (auto* popUp = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, popUp->currentIndex(), Qt::EditRole);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        model->setData(index, line->text(), Qt::EditRole);
    }
}

void RecordCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const
{
    const ListColumn& column = m_model.column(index.column());
    if (column.cell == ListColumn::Cell::Choice) {
        editor->setGeometry(option.rect.adjusted(1, 1, -1, -1));
    } else {
        editor->setGeometry(valueRect(column.cell, option.rect));
    }
}

void RecordCellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor == m_editor) {
        m_editor = nullptr;
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

bool RecordCellDelegate::endEdit()
{
    return finish(0);
}

void RecordCellDelegate::dropEdit()
{
    if (QWidget* editor = m_editor) {
        emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
}

bool RecordCellDelegate::finish(int step)
{
    QWidget* editor = m_editor;
    if (editor == nullptr) {
        return true;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor); line != nullptr && m_accepts) {
        m_refusing = true;
        const bool accepted = m_accepts(m_editedIndex, line->text());
        m_refusing = false;
        if (!accepted) {
            // Given back once the focus change under way has ended.
            QTimer::singleShot(0, editor, [editor] { editor->setFocus(Qt::OtherFocusReason); });
            return false;
        }
    }
    const int row = m_editedIndex.row();
    const int column = m_editedIndex.column();
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    emit editEnded(row, column, step);
    return true;
}

bool RecordCellDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_editor) {
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    auto* editor = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
            finish(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        case Qt::Key_Backtab:
            finish(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (qobject_cast<QLineEdit*>(editor) != nullptr) {
                finish(0);
                return true;
            }
            break;
        case Qt::Key_Escape:
            dropEdit();
            return true;
        default:
            break;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // The alert of a refusal, and the pop-up of a choice, take the focus
        // without ending the edit.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const QWidget* focus = QApplication::focusWidget();
        if (!m_refusing && reason != Qt::PopupFocusReason && QApplication::activePopupWidget() == nullptr &&
            !(focus != nullptr && editor->isAncestorOf(focus))) {
            finish(0);
        }
        return false;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace dossiva

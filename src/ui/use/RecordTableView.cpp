#include "ui/use/RecordTableView.h"

#include "ui/use/RecordCellDelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace dossiva {

RecordTableView::RecordTableView(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("RecordTable"));
    setAccessibleName(tr("Records"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows of one height: the table never measures the rows it does not show.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RecordCellDelegate::kRowHeight);
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(24);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(20);
    // The selection of a table that is not the window's focus is grey.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, QColor(200, 200, 200));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, palette().color(QPalette::Text));
    setPalette(colours);
    // Its selection changes colour with the focus, which may go to or come
    // from one of its cell editors.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* before, QWidget* now) {
        if (before == this || now == this || isAncestorOf(before) || isAncestorOf(now)) {
            viewport()->update();
        }
    });
}

RecordTableView::~RecordTableView()
{
    // The focus moves on while the widget is being taken down, when it is a
    // table no more.
    disconnect(m_focusWatch);
}

void RecordTableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    if (index.isValid()) {
        emit cellPressed(index.row(), index.column(), position);
    }
}

void RecordTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Each click counts: two quick clicks on a checkbox tick and untick it.
    mousePressEvent(event);
}

void RecordTableView::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

void RecordTableView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void RecordTableView::keyPressEvent(QKeyEvent* event)
{
    const bool hasRows = model() != nullptr && model()->rowCount() > 0;
    if (hasRows && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        emit deletePressed();
        return;
    }
    if (hasRows && event->key() == Qt::Key_Tab && event->modifiers() == Qt::NoModifier) {
        emit tabPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace dossiva

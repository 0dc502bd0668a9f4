#include "ui/widgets/ReorderableList.h"

#include "ui/widgets/DropPlace.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace dossiva {

ReorderableList::ReorderableList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
}

void ReorderableList::setRows(const QStringList& rows, int selectedRow)
{
    if (selectedRow < 0) {
        selectedRow = currentRow();
    }
    clear();
    addItems(rows);
    if (selectedRow >= 0 && selectedRow < count()) {
        setCurrentRow(selectedRow);
    }
}

int ReorderableList::dropPlaceAt(const QPoint& point) const
{
    std::vector<std::pair<int, int>> rows;
    for (int row = 0; row < count(); ++row) {
        const QRect place = visualItemRect(item(row));
        rows.emplace_back(place.top(), place.height());
    }
    return dropPlace(rows, point.y());
}

void ReorderableList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    const QListWidgetItem* pressed = itemAt(event->position().toPoint());
    m_pressedRow = event->button() == Qt::LeftButton && pressed != nullptr ? row(pressed) : -1;
    m_pressPoint = event->position().toPoint();
    m_dragging = false;
}

void ReorderableList::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_pressedRow < 0 || !(event->buttons() & Qt::LeftButton)) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    if (!m_dragging && (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    m_dragging = true;
    m_dropPlace = dropPlaceAt(point);
    viewport()->update();
}

void ReorderableList::mouseReleaseEvent(QMouseEvent* event)
{
    const bool dropped = m_dragging && event->button() == Qt::LeftButton;
    const int from = m_pressedRow;
    const int place = dropPlaceAt(event->position().toPoint());
    m_dragging = false;
    m_pressedRow = -1;
    m_dropPlace = -1;
    viewport()->update();
    QListWidget::mouseReleaseEvent(event);
    if (!dropped) {
        return;
    }
    // Taking the row out moves every place below it up by one.
    const int to = std::min(from < place ? place - 1 : place, count() - 1);
    if (to != from) {
        emit rowMoved(from, to);
    }
}

void ReorderableList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (!m_dragging || m_dropPlace < 0) {
        return;
    }
    const int y = m_dropPlace < count() ? visualItemRect(item(m_dropPlace)).top()
                  : count() > 0         ? visualItemRect(item(count() - 1)).bottom() + 1
                                        : 0;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(4, y, viewport()->width() - 4, y);
}

} // namespace dossiva

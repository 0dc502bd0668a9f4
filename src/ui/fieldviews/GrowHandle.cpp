#include "ui/fieldviews/GrowHandle.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace dossiva {

GrowHandle::GrowHandle(Step step, std::function<void()> started, std::function<void()> ended, QWidget* parent)
    : QWidget(parent), m_step(std::move(step)), m_started(std::move(started)), m_ended(std::move(ended))
{
    setObjectName(QStringLiteral("growHandle"));
    setCursor(Qt::SizeVerCursor);
    setFixedSize(16, 10);
    setToolTip(tr("Drag to make the field taller or shorter"));
}

void GrowHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = true;
    m_lastY = event->globalPosition().y();
    m_started();
}

void GrowHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        return;
    }
    const int requested = static_cast<int>(std::lround(event->globalPosition().y() - m_lastY));
    if (requested != 0) {
        m_lastY += m_step(requested);
    }
}

void GrowHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = false;
    m_ended();
}

void GrowHandle::paintEvent(QPaintEvent*)
{
    // Three short rules, the usual sign of something to drag.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    for (int y = 2; y < height(); y += 3) {
        painter.drawLine(3, y, width() - 4, y);
    }
}

} // namespace dossiva

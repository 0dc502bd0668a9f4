#include "ui/define/FocusRingView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace dossiva {

namespace {

constexpr qreal kRadius = 6;

QColor headerTop(bool mainField, bool highlighted)
{
    if (mainField) {
        return highlighted ? QColor(0xc9, 0xdc, 0xf4) : QColor(0xdd, 0xe7, 0xf4);
    }
    return highlighted ? QColor(0xdb, 0xe8, 0xf8) : QColor(0xf1, 0xf3, 0xf6);
}

QColor headerBottom(bool mainField, bool highlighted)
{
    if (mainField) {
        return highlighted ? QColor(0xb3, 0xcc, 0xee) : QColor(0xc8, 0xd7, 0xeb);
    }
    return highlighted ? QColor(0xc8, 0xdb, 0xf3) : QColor(0xe1, 0xe5, 0xeb);
}

} // namespace

FocusRingView::FocusRingView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_StyledBackground, false);
    m_focusFollower =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
}

FocusRingView::~FocusRingView()
{
    // Destroying the widgets inside moves the focus: no longer followed.
    disconnect(m_focusFollower);
}

void FocusRingView::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted) {
        return;
    }
    m_highlighted = highlighted;
    update();
    emit highlightedChanged(highlighted);
}

void FocusRingView::setMainField(bool mainField)
{
    m_mainField = mainField;
    update();
}

void FocusRingView::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    updateGeometry();
    update();
}

QSize FocusRingView::sizeHint() const
{
    const QSize full = QWidget::sizeHint();
    return m_collapsed ? QSize(full.width(), kHeaderHeight) : full;
}

void FocusRingView::focusMoved(QWidget* now)
{
    setHighlighted(now != nullptr && (now == this || isAncestorOf(now)));
}

void FocusRingView::keyPressEvent(QKeyEvent* event)
{
    // Only keys pressed on the frame itself: one that a control inside let
    // through (a check box) must not remove the field.
    if (!hasFocus()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
        emit deleteRequested();
        return;
    }
    if (event->modifiers() == Qt::AltModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        emit moveRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void FocusRingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath outline;
    outline.addRoundedRect(frame, kRadius, kRadius);
    painter.fillPath(outline, QColor(0xfc, 0xfd, 0xfe));

    // The header strip, clipped to the rounded outline.
    painter.save();
    painter.setClipPath(outline);
    const QRectF header(frame.left(), frame.top(), frame.width(), kHeaderHeight - 1);
    QLinearGradient shade(header.topLeft(), header.bottomLeft());
    shade.setColorAt(0, headerTop(m_mainField, m_highlighted));
    shade.setColorAt(1, headerBottom(m_mainField, m_highlighted));
    painter.fillRect(header, shade);
    if (!m_collapsed) {
        painter.setPen(QColor(0xd0, 0xd6, 0xde));
        painter.drawLine(header.bottomLeft(), header.bottomRight());
    }
    painter.restore();

    QPen border(m_highlighted ? QColor(0x4a, 0x8f, 0xdb) : QColor(0xb9, 0xc1, 0xcc));
    border.setWidthF(m_highlighted ? 2 : 1);
    painter.setPen(border);
    painter.drawPath(outline);
}

} // namespace dossiva

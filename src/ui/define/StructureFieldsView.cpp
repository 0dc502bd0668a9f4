#include "ui/define/StructureFieldsView.h"

#include "ui/define/FocusRingView.h"
#include "ui/widgets/DropPlace.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollBar>

#include <algorithm>

namespace dossiva {

namespace {

constexpr int kMargin = 10;
constexpr int kSpacing = 8;
// The header strip's right end holds the remove button: no drag starts there.
constexpr int kRemoveStrip = 26;
// The room a new field's drop opens.
constexpr int kNewFieldGap = 44;
constexpr int kSlideMilliseconds = 180;
// How close to the visible part's edges a drag scrolls the stack, and by how much.
constexpr int kScrollZone = 32;
constexpr int kScrollStep = 24;

QPixmap halfTransparent(const QPixmap& picture)
{
    QPixmap faded(picture.size());
    faded.setDevicePixelRatio(picture.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.5);
    painter.drawPixmap(0, 0, picture);
    return faded;
}

} // namespace

StructureFieldsView::StructureFieldsView(QWidget* parent)
    : QWidget(parent), m_animation(new QParallelAnimationGroup(this))
{
    setObjectName(QStringLiteral("structureView"));
}

StructureFieldsView::~StructureFieldsView()
{
    delete m_dragImage;
}

std::vector<QWidget*> StructureFieldsView::viewArray() const
{
    std::vector<QWidget*> views;
    for (const auto& view : m_viewArray) {
        if (view) {
            views.push_back(view);
        }
    }
    return views;
}

void StructureFieldsView::setArray(const std::vector<QWidget*>& views, bool animated)
{
    for (const auto& old : m_viewArray) {
        if (old && std::find(views.begin(), views.end(), old.data()) == views.end()) {
            old->hide();
        }
    }
    m_viewArray.assign(views.begin(), views.end());
    computeRestingPlaces();
    for (std::size_t i = 0; i < views.size(); ++i) {
        QWidget* view = views[i];
        if (view->parentWidget() != this || view->isHidden()) {
            // A newcomer appears at its place; the others slide to theirs.
            view->setParent(this);
            view->setGeometry(m_resting[i]);
            view->show();
        }
    }
    relayout(animated);
}

int StructureFieldsView::viewHeight(QWidget* view, int width) const
{
    const int forWidth = view->hasHeightForWidth() ? view->heightForWidth(width) : -1;
    return forWidth > 0 ? forWidth : view->sizeHint().height();
}

void StructureFieldsView::computeRestingPlaces()
{
    m_resting.clear();
    const int width = std::max(0, this->width() - 2 * kMargin);
    int y = kMargin;
    for (const auto& view : m_viewArray) {
        const int height = view ? viewHeight(view, width) : 0;
        m_resting.emplace_back(kMargin, y, width, height);
        y += height + kSpacing;
    }
    const int total = (m_viewArray.empty() ? 2 * kMargin : y - kSpacing + kMargin);
    if (total != m_totalHeight) {
        m_totalHeight = total;
        updateGeometry();
    }
}

void StructureFieldsView::relayout(bool animated)
{
    computeRestingPlaces();
    // In a scroll area the stack is as tall as its editors, or as the
    // visible part when they are fewer.
    if (const QWidget* clip = parentWidget();
        clip != nullptr && height() != std::max(m_totalHeight, clip->height())) {
        resize(width(), std::max(m_totalHeight, clip->height()));
    }
    moveViews(m_resting, animated);
}

void StructureFieldsView::moveViews(const std::vector<QRect>& targets, bool animated)
{
    m_animation->stop();
    m_animation->clear();
    for (std::size_t i = 0; i < m_viewArray.size() && i < targets.size(); ++i) {
        QWidget* view = m_viewArray[i];
        if (view == nullptr || view->geometry() == targets[i]) {
            continue;
        }
        if (!animated) {
            view->setGeometry(targets[i]);
            continue;
        }
        auto* slide = new QPropertyAnimation(view, "geometry");
        slide->setDuration(kSlideMilliseconds);
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->setStartValue(view->geometry());
        slide->setEndValue(targets[i]);
        m_animation->addAnimation(slide);
    }
    if (m_animation->animationCount() > 0) {
        m_animation->start();
    }
}

bool StructureFieldsView::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

QRect StructureFieldsView::restingGeometry(const QWidget* view) const
{
    for (std::size_t i = 0; i < m_viewArray.size() && i < m_resting.size(); ++i) {
        if (m_viewArray[i] == view) {
            return m_resting[i];
        }
    }
    return {};
}

QSize StructureFieldsView::sizeHint() const
{
    return {2 * kMargin + 200, m_totalHeight};
}

QSize StructureFieldsView::minimumSizeHint() const
{
    return {2 * kMargin, m_totalHeight};
}

bool StructureFieldsView::event(QEvent* event)
{
    // An editor asks for another height (collapsed, expanded, options shown
    // or hidden): the editors below it make room.
    if (event->type() == QEvent::LayoutRequest && !m_drag) {
        relayout(true);
    }
    return QWidget::event(event);
}

void StructureFieldsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width()) {
        relayout(false);
    }
}

// -- Dragging ------------------------------------------------------------------

std::optional<std::size_t> StructureFieldsView::indexOfNewView(const QPoint& point) const
{
    QRect visible = rect();
    if (const QWidget* clip = parentWidget()) {
        visible &= QRect(mapFrom(clip, QPoint(0, 0)), clip->size());
    }
    if (!visible.contains(point)) {
        return std::nullopt;
    }
    std::vector<std::pair<int, int>> rows;
    for (const QRect& place : m_resting) {
        rows.emplace_back(place.top(), place.height());
    }
    const auto index = static_cast<std::size_t>(dropPlace(rows, point.y()));
    // Nothing goes above the first field.
    return index == 0 && !rows.empty() ? 1 : index;
}

void StructureFieldsView::openGap(std::optional<std::size_t> index, int height)
{
    std::vector<QRect> targets = m_resting;
    if (index) {
        for (std::size_t i = *index; i < targets.size(); ++i) {
            targets[i].translate(0, height + kSpacing);
        }
    }
    moveViews(targets, true);
}

void StructureFieldsView::beginDrag(Drag drag)
{
    if (m_dragImage == nullptr) {
        m_dragImage = new QLabel(window());
        m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_dragImage->setPixmap(drag.image);
    m_dragImage->resize(drag.image.size() / drag.image.devicePixelRatio());
    m_dragImage->show();
    m_dragImage->raise();
    m_drag = std::move(drag);
    m_indexOfNewView.reset();
    qApp->installEventFilter(this);
}

void StructureFieldsView::dragMoved(const QPoint& globalPos)
{
    if (!m_drag) {
        return;
    }
    m_dragImage->move(m_dragImage->parentWidget()->mapFromGlobal(globalPos - m_drag->hotSpot));
    const QPoint point = mapFromGlobal(globalPos);
    scrollTowards(point);
    const std::optional<std::size_t> index = indexOfNewView(point);
    if (index != m_indexOfNewView) {
        m_indexOfNewView = index;
        const QWidget* dragged = m_drag->view;
        openGap(index, dragged != nullptr ? dragged->height() : kNewFieldGap);
    }
}

void StructureFieldsView::dragEnded(const QPoint& globalPos)
{
    if (!m_drag) {
        return;
    }
    const std::optional<std::size_t> index = indexOfNewView(mapFromGlobal(globalPos));
    const Drag drag = *m_drag;
    endDrag();
    if (index && m_delegate != nullptr) {
        if (drag.palettePosition >= 0) {
            m_delegate->structureViewAddView(drag.palettePosition, *index);
        } else if (drag.view) {
            m_delegate->moveView(drag.view, *index);
        }
    }
    // Whatever the drop did, every view goes to its place.
    relayout(true);
}

bool StructureFieldsView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_drag && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        endDrag();
        relayout(true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void StructureFieldsView::endDrag()
{
    qApp->removeEventFilter(this);
    m_drag.reset();
    m_indexOfNewView.reset();
    m_pressedView = nullptr;
    if (m_dragImage != nullptr) {
        m_dragImage->hide();
    }
}

void StructureFieldsView::scrollTowards(const QPoint& point)
{
    QWidget* viewport = parentWidget();
    auto* area = viewport ? qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
    if (area == nullptr) {
        return;
    }
    const int y = mapTo(viewport, point).y();
    QScrollBar* bar = area->verticalScrollBar();
    if (y < kScrollZone) {
        bar->setValue(bar->value() - kScrollStep);
    } else if (y > viewport->height() - kScrollZone) {
        bar->setValue(bar->value() + kScrollStep);
    }
}

void StructureFieldsView::mousePressEvent(QMouseEvent* event)
{
    m_pressedView = nullptr;
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    for (std::size_t i = 0; i < m_viewArray.size(); ++i) {
        QWidget* view = m_viewArray[i];
        if (view == nullptr || !view->geometry().contains(point)) {
            continue;
        }
        const QPoint inView = point - view->pos();
        if (inView.y() < FocusRingView::kHeaderHeight && inView.x() < view->width() - kRemoveStrip) {
            view->setFocus(Qt::MouseFocusReason);
            // The first field is the form's main field: it stays first.
            if (i > 0) {
                m_pressedView = view;
                m_pressPoint = point;
            }
        }
        break;
    }
    event->accept();
}

void StructureFieldsView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (m_drag) {
        dragMoved(global);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (!m_pressedView || !(event->buttons() & Qt::LeftButton) ||
        (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    QWidget* view = m_pressedView;
    beginDrag({-1, view, halfTransparent(view->grab()), m_pressPoint - view->pos()});
    dragMoved(global);
}

void StructureFieldsView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag && m_drag->view) {
        dragEnded(event->globalPosition().toPoint());
    }
    m_pressedView = nullptr;
}

} // namespace dossiva

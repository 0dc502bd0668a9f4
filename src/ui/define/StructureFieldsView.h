#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <optional>
#include <vector>

class QLabel;
class QParallelAnimationGroup;

namespace dossiva {

// What the stack asks of the Define section when something is dropped on it.
class StructureFieldsViewDelegate {
public:
    virtual ~StructureFieldsViewDelegate() = default;
    // A type from the palette (its palette position) dropped at an index.
    virtual void structureViewAddView(int palettePosition, std::size_t index) = 0;
    // A field's editor dropped at an index, counted with the editor still
    // in its place.
    virtual void moveView(QWidget* view, std::size_t index) = 0;
};

// The stack of structure editors of the Define section, top-down in form
// order, each as tall as it asks and as wide as the stack. Insertions,
// removals, moves and collapses slide the editors to their new places.
//
// Fields are dragged onto it from the palette, or within it by an editor's
// header strip (not the first editor's: the main field stays first). While
// a drag is over the stack a gap opens where the drop would land: before an
// editor when the pointer is over its upper half, after it over its lower
// half, never above the first. A drag is a press, moves and a release
// followed by the widget that holds the mouse, so it needs nothing from the
// desktop's drag-and-drop. Escape cancels it wherever the keyboard is.
class StructureFieldsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StructureFieldsView)
public:
    // A drag being made: a palette type, or an editor's view.
    struct Drag {
        int palettePosition = -1;
        QPointer<QWidget> view;
        QPixmap image;
        QPoint hotSpot;
    };

    explicit StructureFieldsView(QWidget* parent = nullptr);
    ~StructureFieldsView() override;

    void setDelegate(StructureFieldsViewDelegate* delegate) { m_delegate = delegate; }
    // The editors' views in order; views no longer listed leave the stack
    // (their editors own them). Animated, the others slide into place.
    void setArray(const std::vector<QWidget*>& views, bool animated);
    std::vector<QWidget*> viewArray() const;
    // Lays the views out again, sliding them when animated.
    void relayout(bool animated);
    bool isAnimating() const;
    // Where a view rests once every movement is over.
    QRect restingGeometry(const QWidget* view) const;

    // A drag from elsewhere (the palette), in global coordinates.
    void beginDrag(Drag drag);
    void dragMoved(const QPoint& globalPos);
    void dragEnded(const QPoint& globalPos);
    bool isDragging() const { return m_drag.has_value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The insertion index of a drag at a point of the stack: nullopt when
    // the point is off the stack's visible part.
    std::optional<std::size_t> indexOfNewView(const QPoint& point) const;
    void computeRestingPlaces();
    // Slides the views from the index down by the height, or all back to
    // their places when nullopt.
    void openGap(std::optional<std::size_t> index, int height);
    void moveViews(const std::vector<QRect>& targets, bool animated);
    void scrollTowards(const QPoint& point);
    int viewHeight(QWidget* view, int width) const;
    void endDrag();

    StructureFieldsViewDelegate* m_delegate = nullptr;
    // Guarded: an editor may go, and its view with it, before the stack
    // is given its new list.
    std::vector<QPointer<QWidget>> m_viewArray;
    std::vector<QRect> m_resting;
    int m_totalHeight = 0;
    QParallelAnimationGroup* m_animation;
    std::optional<Drag> m_drag;
    std::optional<std::size_t> m_indexOfNewView;
    QLabel* m_dragImage = nullptr;
    // The editor whose header strip was pressed, and where.
    QPointer<QWidget> m_pressedView;
    QPoint m_pressPoint;
};

} // namespace dossiva

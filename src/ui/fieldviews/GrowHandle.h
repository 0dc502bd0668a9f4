#pragma once

#include <QWidget>

#include <functional>

namespace dossiva {

// The grip at the foot of a large text field: dragging it asks for height
// changes, step by step, and says when the drag ends.
class GrowHandle final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GrowHandle)
public:
    // A drag step asks for a change in points and learns how much was made,
    // so that the handle stays under the pointer when the field stops at its
    // floor.
    using Step = std::function<int(int requested)>;

    GrowHandle(Step step, std::function<void()> started, std::function<void()> ended,
               QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Step m_step;
    std::function<void()> m_started;
    std::function<void()> m_ended;
    bool m_dragging = false;
    double m_lastY = 0; // in screen coordinates: the handle moves while dragged
};

} // namespace dossiva

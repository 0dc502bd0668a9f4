#pragma once

#include <QWidget>

namespace dossiva {

// The frame of a structure editor: a rounded panel with a header strip that
// lights up while the keyboard focus is anywhere inside it, so that the
// field being worked on stands out in the stack. The main field's header has
// a colour of its own.
class FocusRingView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusRingView)
public:
    // The header strip: the handle a field is dragged by.
    static constexpr int kHeaderHeight = 28;

    explicit FocusRingView(QWidget* parent = nullptr);
    ~FocusRingView() override;

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    void setMainField(bool mainField);
    // Without a body the frame is its header alone.
    void setCollapsed(bool collapsed);
    QSize sizeHint() const override;

signals:
    void highlightedChanged(bool highlighted);
    // Delete or Backspace was pressed on the frame itself (its header was
    // clicked): the field is to be removed.
    void deleteRequested();
    // Alt+Up or Alt+Down on the frame itself: the field is to move one
    // place up (-1) or down (+1).
    void moveRequested(int step);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void focusMoved(QWidget* now);

    QMetaObject::Connection m_focusFollower;
    bool m_highlighted = false;
    bool m_mainField = false;
    bool m_collapsed = false;
};

} // namespace dossiva

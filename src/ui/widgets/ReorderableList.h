#pragma once

#include <QListWidget>

namespace dossiva {

// A list whose rows the user reorders by dragging one to another place,
// with a line showing where it would land. The drag stays inside the list:
// a press, moves and a release, with no drag-and-drop session of the
// desktop, so it works alike everywhere.
class ReorderableList final : public QListWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReorderableList)
public:
    explicit ReorderableList(QWidget* parent = nullptr);

    // Shows the rows, selecting the one given, or when none is given the
    // row that was selected if it is still there.
    void setRows(const QStringList& rows, int selectedRow = -1);

signals:
    // The row `from` was dropped so that it is now to be at `to`; never sent
    // for a drop that leaves it where it was.
    void rowMoved(int from, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The place a drop at the point goes to, counted in rows above it: a
    // row's upper half is before it, its lower half after it.
    int dropPlaceAt(const QPoint& point) const;

    int m_pressedRow = -1;
    QPoint m_pressPoint;
    bool m_dragging = false;
    int m_dropPlace = -1;
};

} // namespace dossiva

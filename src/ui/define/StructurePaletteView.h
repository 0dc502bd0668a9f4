#pragma once

#include <QListWidget>
#include <QPointer>

namespace dossiva {

class StructureFieldsView;

// The palette of the Define section: the fourteen field types a form can
// have, each with its icon and title, in palette order. A type is added to
// the form by dragging it onto the stack of editors; the palette follows the
// pointer and hands the drag to the stack.
class StructurePaletteView final : public QListWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StructurePaletteView)
public:
    explicit StructurePaletteView(QWidget* parent = nullptr);

    void setDropTarget(StructureFieldsView* stack) { m_stack = stack; }
    // The palette position of a row ("X" of the entry).
    static int palettePosition(const QListWidgetItem* item);

signals:
    // A type was chosen without a drag: Enter on it, or a double click.
    // (Not Qt's activation, which some desktops give a single click, the
    // start of every drag.)
    void typeChosen(int palettePosition);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap dragImage(const QListWidgetItem* item) const;

    QPointer<StructureFieldsView> m_stack;
    QListWidgetItem* m_pressedItem = nullptr;
    QPoint m_pressPoint;
    bool m_dragging = false;
};

} // namespace dossiva

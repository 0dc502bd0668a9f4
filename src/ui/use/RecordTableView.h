#pragma once

#include <QTableView>

namespace dossiva {

// The table of the record list. A click selects its row alone and is
// handed on with where it landed, so that a single click edits the cell (a
// spreadsheet's way, not Qt's double click); rows are never selected by
// dragging. Delete and Tab are handed on while the table has rows; the
// other keys move through the rows as in any table. Its selection is grey
// while the focus is elsewhere.
class RecordTableView final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordTableView)
public:
    explicit RecordTableView(QWidget* parent = nullptr);
    ~RecordTableView() override;

signals:
    void cellPressed(int row, int column, const QPoint& position);
    void deletePressed();
    void tabPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QMetaObject::Connection m_focusWatch;
};

} // namespace dossiva

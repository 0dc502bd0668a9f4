#pragma once

#include <QListWidget>

namespace dossiva {

// The Open section's list of databases, with the gestures of a file list:
// Delete asks to delete the selected database, a double click on a row's
// picture opens it for use and one on its name starts renaming it, and a
// name cut short by the list's width shows whole in a tooltip. Only a
// selected row counts as chosen; the row focus lands on does not.
class DatabaseListView final : public QListWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatabaseListView)
public:
    explicit DatabaseListView(QWidget* parent = nullptr);

    // Where a row's picture and name are drawn, in viewport coordinates.
    QRect pictureRect(int row) const;
    QRect nameRect(int row) const;
    // Whether the row's name is cut short at the list's width.
    bool isNameElided(int row) const;

signals:
    void deleteRequested();
    void pictureDoubleClicked(int row);
    void nameDoubleClicked(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QRect elementRect(int row, QStyle::SubElement element) const;
};

} // namespace dossiva

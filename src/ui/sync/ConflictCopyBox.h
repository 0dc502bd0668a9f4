#pragma once

#include "sync/ConflictResolver.h"

#include <QFrame>

class QLabel;

namespace dossiva {

// One side's copy of a database in conflict: its name, record and field
// counts and edit date. A click, or Space when it has the focus, selects it.
class ConflictCopyBox final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConflictCopyBox)
public:
    explicit ConflictCopyBox(const QString& side, QWidget* parent = nullptr);

    void showCopy(const QString& name, const ConflictBox& box);
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    QString recordsText() const;
    QString fieldsText() const;
    QString editedText() const;
    QString nameText() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_name;
    QLabel* m_records;
    QLabel* m_fields;
    QLabel* m_edited;
    bool m_selected = false;
};

} // namespace dossiva

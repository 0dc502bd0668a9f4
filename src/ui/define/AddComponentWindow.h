#pragma once

#include "fields/FieldModel.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;

namespace dossiva {

// The panel a formula's next component is chosen in: one of the four
// operators, or one of the database's number fields. Only one of the two
// lists has a selection at a time, and it is what the Choose button (or a
// double click) takes, wherever the keyboard focus went.
class AddComponentWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddComponentWindow)
public:
    // What the chosen component is for.
    enum Tag { Add = 1, Replace = 2 };

    explicit AddComponentWindow(QWidget* parent = nullptr);

    // Shows the panel, modal, with nothing chosen yet.
    void start(Tag tag, const std::vector<NumberFieldRef>& numberFields);
    Tag tag() const { return m_tag; }

    QListWidget* operatorTable() const { return m_operatorTable; }
    QListWidget* fieldsTable() const { return m_fieldsTable; }
    QPushButton* chooseFieldButton() const { return m_chooseFieldButton; }

signals:
    void componentChosen(dossiva::AddComponentWindow::Tag tag, const dossiva::PropertyList& component);

private:
    void selected(QListWidget* table);
    void choose();

    Tag m_tag = Add;
    std::vector<NumberFieldRef> m_numberFields;
    QListWidget* m_operatorTable;
    QListWidget* m_fieldsTable;
    QPushButton* m_chooseFieldButton;
};

} // namespace dossiva

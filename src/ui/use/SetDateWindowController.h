#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QDateTimeEdit;
class QLineEdit;
class QPushButton;

namespace dossiva {

// The window in which the record list edits a date, a time or a date and
// time. It opens on the value as text; Edit shows the picker, Clear empties
// the value. OK gives the picked moment, or no date when the text is empty;
// Cancel gives nothing. The list's dates get no automatic "now": a date is
// set only when the user picks one.
class SetDateWindowController final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SetDateWindowController)
public:
    // What OK gives: the moment in seconds, or nullopt for no date.
    using Done = std::function<void(std::optional<std::int64_t>)>;

    // Opens the window, modal to `attachedTo`'s window, titled with the
    // field's name, and returns at once; `done` runs after OK only.
    static SetDateWindowController* presentWindowDate(std::optional<std::int64_t> date, int type,
                                                      const QString& title, QWidget* attachedTo, Done done);

    QLineEdit* dateText() const { return m_text; }
    QDateTimeEdit* picker() const { return m_picker; }
    QPushButton* editButton() const { return m_edit; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    SetDateWindowController(std::optional<std::int64_t> date, int type, QWidget* parent);
    void edit();
    void clear();
    void confirm();

    QLineEdit* m_text;
    QDateTimeEdit* m_picker;
    QPushButton* m_edit;
    QPushButton* m_clear;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    std::optional<std::int64_t> m_date;
    Done m_done;
};

} // namespace dossiva

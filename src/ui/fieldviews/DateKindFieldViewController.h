#pragma once

#include "platform/DateFormat.h"
#include "ui/fieldviews/FieldViewController.h"

#include <cstdint>
#include <optional>

class QDateTimeEdit;
class QLineEdit;
class QToolButton;

namespace dossiva {

class DatePicker;

// A picker of a date type's values, as the form and the list's date window
// show one: the locale's short style with whole years, in the years 100 to
// 9999, and a calendar for the types with a date.
void setUpDatePicker(QDateTimeEdit& picker, int type);
// Shows a moment on a picker, or the nearest it can show, without the
// picker signalling a change.
void setDatePicker(QDateTimeEdit& picker, std::int64_t seconds);

// The date, time and date-and-time fields: the value shown as text in the
// user's locale, and, while the user edits it, a picker with a calendar, a
// now button and a clear button. A value is a moment in whole seconds of 64
// bits; one beyond the picker's years (100 to 9999) shows as text and stays
// as it is unless the user picks another.
class DateKindFieldViewController : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateKindFieldViewController)
public:
    ~DateKindFieldViewController() override;

    // Loads a moment, or no date, without an edit.
    void setDate(std::optional<std::int64_t> seconds);
    void setShowNow(bool show);
    std::optional<std::int64_t> dateValue() const { return m_value; }

    QWidget* textView() const override;
    // Loads a stored value: seconds in decimal, or "" for no date.
    void setText(const std::string& text) override;
    std::string text() const override;

protected:
    DateKindFieldViewController(int type, const FieldViewContext& context, QWidget* parent);

    FieldSnapshot shownObject() const override;
    void restore(const FieldSnapshot& snapshot) override;

private:
    // The picker shows in place of the text; an empty date becomes now.
    void startPicking();
    void stopPicking();
    void clear();
    // A value the user picked: an edit, stored at once.
    void store(std::int64_t seconds);
    void showValue();
    // Sets the picker without it counting as the user's change.
    void setPicker(std::int64_t seconds);
    bool eventFilter(QObject* watched, QEvent* event) override;

    DateFormat m_format;
    QLineEdit* m_dateText;
    DatePicker* m_picker;
    QToolButton* m_editButton;
    QToolButton* m_clearButton;
    QToolButton* m_nowButton;
    std::optional<std::int64_t> m_value;
    bool m_showNow = true;
    bool m_picking = false;
};

} // namespace dossiva

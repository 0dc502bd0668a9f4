#include "ui/fieldviews/DateKindFieldViewController.h"

#include "fields/DateDisplay.h"
#include "fields/TextNumbers.h"
#include "platform/Clock.h"

#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace dossiva {

// The picker of a date field. Tab leaves it for the next field, rather than
// stepping through its day, month and year; losing the focus, other than to
// its own calendar, ends the picking once the digits typed are taken.
class DatePicker final : public QDateTimeEdit {
public:
    explicit DatePicker(std::function<void()> focusLost, QWidget* parent)
        : QDateTimeEdit(parent), m_focusLost(std::move(focusLost))
    {
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

    void focusOutEvent(QFocusEvent* event) override
    {
        QDateTimeEdit::focusOutEvent(event);
        if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
            m_focusLost();
        }
    }

private:
    std::function<void()> m_focusLost;
};

namespace {

// The picker in the user's locale, with whole years: a short style's two
// digits could not tell 1925 from 2025.
QString pickerFormat(int type)
{
    const QLocale locale;
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy"))) {
        date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    }
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    switch (type) {
    case FieldType::Date:
        return date;
    case FieldType::Time:
        return time;
    default:
        return date + QLatin1Char(' ') + time;
    }
}

QToolButton* makeButton(const QString& title, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(title);
    // The buttons leave the focus where it is, so the picker stays open.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

void setUpDatePicker(QDateTimeEdit& picker, int type)
{
    picker.setDisplayFormat(pickerFormat(type));
    picker.setCalendarPopup(type != FieldType::Time);
    picker.setMinimumDateTime(QDateTime(QDate(100, 1, 1), QTime(0, 0)));
    picker.setMaximumDateTime(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)));
}

void setDatePicker(QDateTimeEdit& picker, std::int64_t seconds)
{
    // A moment beyond the picker's years shows as its nearest; it is only
    // replaced if the user picks.
    const std::int64_t first = picker.minimumDateTime().toSecsSinceEpoch();
    const std::int64_t last = picker.maximumDateTime().toSecsSinceEpoch();
    const QSignalBlocker blocker(&picker);
    picker.setDateTime(QDateTime::fromSecsSinceEpoch(std::clamp(seconds, first, last)));
}

DateKindFieldViewController::DateKindFieldViewController(int type, const FieldViewContext& context,
                                                         QWidget* parent)
    : FieldViewController(type, context, parent), m_format(DateDisplay::fieldFormat(type)),
      m_dateText(new QLineEdit(m_view)), m_picker(new DatePicker([this] { stopPicking(); }, m_view)),
      m_editButton(makeButton(tr("Edit"), m_view)), m_clearButton(makeButton(tr("Clear"), m_view)),
      m_nowButton(makeButton(tr("Now"), m_view))
{
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(0, 3, 12, 3);
    row->addWidget(makeLabel());
    row->addWidget(m_dateText, 1);
    row->addWidget(m_picker, 1);
    row->addWidget(m_editButton);
    row->addWidget(m_clearButton);
    row->addWidget(m_nowButton);

    // The names let style sheets and tests find the parts.
    m_dateText->setObjectName(QStringLiteral("dateText"));
    m_picker->setObjectName(QStringLiteral("picker"));
    m_editButton->setObjectName(QStringLiteral("edit"));
    m_clearButton->setObjectName(QStringLiteral("clear"));
    m_nowButton->setObjectName(QStringLiteral("now"));
    m_dateText->setReadOnly(true);
    m_dateText->installEventFilter(this);
    setUpDatePicker(*m_picker, type);
    // Digits typed count when the picker is left, not one by one.
    m_picker->setKeyboardTracking(false);
    m_picker->hide();
    m_clearButton->hide();
    m_nowButton->hide();
    addValueWidget(m_dateText);
    addValueWidget(m_picker);

    // Values set in code block the picker's signals: a change is the user's.
    connect(m_picker, &QDateTimeEdit::dateTimeChanged, this,
            [this](const QDateTime& picked) { store(picked.toSecsSinceEpoch()); });
    connect(m_editButton, &QToolButton::clicked, this, &DateKindFieldViewController::startPicking);
    connect(m_clearButton, &QToolButton::clicked, this, &DateKindFieldViewController::clear);
    connect(m_nowButton, &QToolButton::clicked, this,
            [this] { m_picker->setDateTime(QDateTime::fromSecsSinceEpoch(Clock::nowSeconds())); });
    setPicker(Clock::nowSeconds());
    fitHeight();
}

DateKindFieldViewController::~DateKindFieldViewController() = default;

void DateKindFieldViewController::setDate(std::optional<std::int64_t> seconds)
{
    m_value = seconds;
    setPicker(seconds.value_or(Clock::nowSeconds()));
    showValue();
    setEdited(false);
}

void DateKindFieldViewController::setShowNow(bool show)
{
    m_showNow = show;
    m_nowButton->setVisible(m_picking && show);
}

QWidget* DateKindFieldViewController::textView() const
{
    return m_picking ? static_cast<QWidget*>(m_picker) : m_dateText;
}

void DateKindFieldViewController::setText(const std::string& text)
{
    setDate(text.empty() ? std::nullopt : std::optional<std::int64_t>(leadingInteger(text)));
}

std::string DateKindFieldViewController::text() const
{
    return m_value ? std::to_string(*m_value) : std::string();
}

FieldSnapshot DateKindFieldViewController::shownObject() const
{
    return m_value ? FieldSnapshot(*m_value) : FieldSnapshot();
}

void DateKindFieldViewController::restore(const FieldSnapshot& snapshot)
{
    if (const auto* seconds = std::get_if<std::int64_t>(&snapshot)) {
        setDate(*seconds);
    } else if (const auto* text = std::get_if<std::string>(&snapshot)) {
        setText(*text);
    } else {
        setDate(std::nullopt);
    }
}

void DateKindFieldViewController::startPicking()
{
    if (m_picking) {
        return;
    }
    m_picking = true;
    // The picker takes the focus before the text hides, or hiding the
    // focused text would send the focus on to the next field.
    m_picker->show();
    m_picker->setFocus(Qt::OtherFocusReason);
    m_dateText->hide();
    m_clearButton->show();
    m_nowButton->setVisible(m_showNow);
    if (!m_value) {
        const std::int64_t now = Clock::nowSeconds();
        setPicker(now);
        store(now);
    }
}

void DateKindFieldViewController::stopPicking()
{
    if (!m_picking) {
        return;
    }
    m_picking = false;
    if (m_picker->hasFocus()) {
        m_picker->clearFocus();
    }
    m_dateText->show();
    m_picker->hide();
    m_nowButton->hide();
    showValue();
}

void DateKindFieldViewController::clear()
{
    beginEdit(shownObject());
    m_value.reset();
    // Reset first, so that leaving the picker finds no typed digits to take.
    setPicker(Clock::nowSeconds());
    stopPicking();
    showValue();
    endEdit();
}

void DateKindFieldViewController::store(std::int64_t seconds)
{
    beginEdit(shownObject());
    m_value = seconds;
    showValue();
    endEdit();
}

void DateKindFieldViewController::showValue()
{
    m_dateText->setText(m_value ? QString::fromStdString(DateDisplay::text(m_format, *m_value)) : QString());
    m_clearButton->setVisible(m_picking || m_value.has_value());
}

void DateKindFieldViewController::setPicker(std::int64_t seconds)
{
    setDatePicker(*m_picker, seconds);
}

bool DateKindFieldViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dateText && event->type() == QEvent::FocusIn) {
        startPicking();
    }
    return FieldViewController::eventFilter(watched, event);
}

} // namespace dossiva

#include "ui/use/SetDateWindowController.h"

#include "fields/DateDisplay.h"
#include "platform/Clock.h"
#include "ui/fieldviews/DateKindFieldViewController.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dossiva {

SetDateWindowController* SetDateWindowController::presentWindowDate(std::optional<std::int64_t> date,
                                                                    int type, const QString& title,
                                                                    QWidget* attachedTo, Done done)
{
    auto* window = new SetDateWindowController(date, type, attachedTo);
    window->setWindowTitle(title);
    window->m_done = std::move(done);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
    return window;
}

SetDateWindowController::SetDateWindowController(std::optional<std::int64_t> date, int type, QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(this)), m_picker(new QDateTimeEdit(this)),
      m_edit(new QPushButton(tr("Edit"), this)), m_clear(new QPushButton(tr("Clear"), this)),
      m_ok(new QPushButton(tr("OK"), this)), m_cancel(new QPushButton(tr("Cancel"), this)), m_date(date)
{
    setObjectName(QStringLiteral("SetDateWindow"));
    auto* layout = new QVBoxLayout(this);
    auto* value = new QHBoxLayout;
    value->addWidget(m_text, 1);
    value->addWidget(m_picker, 1);
    value->addWidget(m_edit);
    value->addWidget(m_clear);
    layout->addLayout(value);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    m_text->setReadOnly(true);
    m_text->setMinimumWidth(180);
    setUpDatePicker(*m_picker, type);
    // With no date the picker starts at now, and the text stays empty until
    // the user asks to edit.
    setDatePicker(*m_picker, date.value_or(Clock::nowSeconds()));
    if (date) {
        m_text->setText(QString::fromStdString(DateDisplay::text(DateDisplay::fieldFormat(type), *date)));
    }
    m_picker->hide();
    m_clear->setVisible(date.has_value());
    m_ok->setDefault(true);

    connect(m_edit, &QPushButton::clicked, this, &SetDateWindowController::edit);
    connect(m_clear, &QPushButton::clicked, this, &SetDateWindowController::clear);
    connect(m_ok, &QPushButton::clicked, this, &SetDateWindowController::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SetDateWindowController::edit()
{
    m_picker->show();
    m_picker->setFocus(Qt::OtherFocusReason);
    // A blank, not nothing: the picked date counts once the picker shows.
    m_text->setText(QStringLiteral(" "));
    m_text->hide();
    m_clear->show();
}

void SetDateWindowController::clear()
{
    setDatePicker(*m_picker, Clock::nowSeconds());
    m_text->clear();
    m_text->show();
    m_picker->hide();
    m_clear->hide();
}

void SetDateWindowController::confirm()
{
    // A date left as it was stays exact, even one beyond the picker's years.
    std::optional<std::int64_t> chosen = m_date;
    if (m_text->text().isEmpty()) {
        chosen.reset();
    } else if (m_picker->isVisibleTo(this)) {
        chosen = m_picker->dateTime().toSecsSinceEpoch();
    }
    Done done = std::move(m_done);
    accept();
    if (done) {
        done(chosen);
    }
}

} // namespace dossiva

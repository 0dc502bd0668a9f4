#include "ui/fieldviews/OneLineFieldViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace dossiva {

OneLineFieldViewController::OneLineFieldViewController(int type, const FieldViewContext& context,
                                                       QWidget* parent)
    : FieldViewController(type, context, parent), m_row(new QHBoxLayout(m_view)),
      m_textField(new QLineEdit(m_view))
{
    m_row->setContentsMargins(0, 3, 12, 3);
    m_row->addWidget(makeLabel());
    m_row->addWidget(m_textField, 1);
    addValueWidget(m_textField);
    // textEdited, unlike textChanged, is the user's alone: loading a record
    // is no edit.
    connect(m_textField, &QLineEdit::textEdited, this, [this] {
        startTyping();
        textShown();
    });
    connect(m_textField, &QLineEdit::editingFinished, this, [this] {
        if (m_typing) {
            finishTyping();
        }
    });
    fitHeight();
}

QWidget* OneLineFieldViewController::textView() const
{
    return m_textField->focusPolicy() == Qt::NoFocus ? nullptr : m_textField;
}

void OneLineFieldViewController::setText(const std::string& text)
{
    m_typing = false;
    m_committedText = text;
    showText(text);
    setEdited(false);
}

std::string OneLineFieldViewController::text() const
{
    return typedText();
}

std::string OneLineFieldViewController::typedText() const
{
    return m_textField->text().toStdString();
}

void OneLineFieldViewController::save()
{
    m_typing = false;
    m_committedText = typedText();
    FieldViewController::save();
}

void OneLineFieldViewController::showText(const std::string& text)
{
    m_textField->setText(QString::fromStdString(text));
    m_textField->setCursorPosition(0);
    textShown();
}

void OneLineFieldViewController::startTyping()
{
    if (!m_typing) {
        m_typing = true;
        beginEdit(m_committedText);
    }
}

void OneLineFieldViewController::finishTyping()
{
    m_typing = false;
    endEdit();
}

} // namespace dossiva

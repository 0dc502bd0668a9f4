#include "ui/fieldviews/NumberFieldViewController.h"

#include "fields/NumberRule.h"
#include "ui/fieldviews/FieldViewDelegate.h"

#include <QApplication>
#include <QLineEdit>

namespace dossiva {

NumberFieldViewController::NumberFieldViewController(const FieldViewContext& context, QWidget* parent)
    : OneLineFieldViewController(FieldType::Number, context, parent)
{
}

void NumberFieldViewController::setText(const std::string& text)
{
    m_value = text;
    m_notified = false;
    OneLineFieldViewController::setText(text);
}

std::string NumberFieldViewController::text() const
{
    if (typing()) {
        if (auto accepted = NumberRule::validate(typedText())) {
            return *accepted;
        }
    }
    return m_value;
}

void NumberFieldViewController::setObject(const FieldSnapshot& snapshot)
{
    OneLineFieldViewController::setObject(snapshot);
    announce();
}

void NumberFieldViewController::finishTyping()
{
    if (m_refusing) {
        return; // the refusal's alert took the focus
    }
    const auto accepted = NumberRule::validate(typedText());
    if (!accepted) {
        refuse();
        return;
    }
    stopTyping();
    m_value = *accepted;
    showText(m_value);
    m_notified = true;
    if (endEdit()) {
        announce();
    }
}

void NumberFieldViewController::save()
{
    if (typing()) {
        // The section stores the field before a command, the number being
        // typed with it when it is one.
        const auto accepted = NumberRule::validate(typedText());
        if (!accepted) {
            refuse();
            return;
        }
        m_value = *accepted;
        showText(m_value);
        m_notified = true;
        OneLineFieldViewController::save();
        announce();
        return;
    }
    const bool restored = !m_notified;
    if (restored) {
        m_value = NumberRule::canonicalDoubleText(m_value);
        showText(m_value);
        m_notified = true;
    }
    OneLineFieldViewController::save();
    if (restored) {
        announce();
    }
}

void NumberFieldViewController::refuse()
{
    m_refusing = true;
    QApplication::beep();
    inform(NumberRule::kRefusalTitle, NumberRule::kRefusalMessage);
    textField()->setFocus(Qt::OtherFocusReason);
    m_refusing = false;
}

void NumberFieldViewController::announce()
{
    if (m_announcing || delegate() == nullptr) {
        return;
    }
    m_announcing = true;
    delegate()->numberFieldChanged(fieldId());
    m_announcing = false;
}

} // namespace dossiva

#include "ui/fieldviews/FieldViewController.h"

#include "fields/TextNumbers.h"
#include "platform/Alerts.h"
#include "platform/Log.h"
#include "ui/fieldviews/FieldViewDelegate.h"
#include "ui/fieldviews/FieldViewLook.h"

#include <QLabel>
#include <QLayout>

#include <algorithm>

namespace dossiva {

namespace {

// The label column's width until the form sets one.
constexpr int kDefaultLabelWidth = 134;

} // namespace

FieldViewController::FieldViewController(int type, const FieldViewContext& context, QWidget* parent)
    : m_view(new QWidget(parent)), m_type(type), m_context(context), m_ownedView(m_view)
{
}

FieldViewController::~FieldViewController()
{
    if (m_ownedView) {
        // The subclass is gone by now: its widgets must not call back into it
        // while they are destroyed (a focused field reports the end of its
        // editing).
        m_ownedView->blockSignals(true);
        for (QObject* child : m_ownedView->findChildren<QObject*>()) {
            child->blockSignals(true);
            child->removeEventFilter(this);
        }
        delete m_ownedView.data();
    }
}

void FieldViewController::setFirstResponder()
{
    if (QWidget* control = textView()) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

FieldId FieldViewController::fieldId() const
{
    return leadingInteger(m_id);
}

void FieldViewController::setEdited(bool edited)
{
    if (edited) {
        ++m_edited;
    } else if (m_edited > 0) {
        --m_edited;
    }
}

void FieldViewController::setTitle(const QString& title)
{
    if (auto* label = qobject_cast<QLabel*>(m_label)) {
        label->setText(title);
    }
}

void FieldViewController::setText(const std::string&)
{
    setEdited(false);
}

std::string FieldViewController::text() const
{
    return {};
}

FieldSnapshot FieldViewController::object() const
{
    return m_snapshotBeforeEdit ? *m_snapshotBeforeEdit : shownObject();
}

void FieldViewController::setObject(const FieldSnapshot& snapshot)
{
    restore(snapshot);
    setEdited(true);
}

void FieldViewController::save()
{
    setEdited(false);
}

FieldSnapshot FieldViewController::shownObject() const
{
    return text();
}

void FieldViewController::restore(const FieldSnapshot& snapshot)
{
    const auto* text = std::get_if<std::string>(&snapshot);
    setText(text != nullptr ? *text : std::string());
}

void FieldViewController::beginEdit()
{
    beginEdit(object());
}

void FieldViewController::beginEdit(const FieldSnapshot& before)
{
    if (edited()) {
        return;
    }
    setEdited(true);
    if (m_delegate != nullptr) {
        m_snapshotBeforeEdit = before;
        m_delegate->addToUndoArray(*this);
        m_snapshotBeforeEdit.reset();
    }
}

bool FieldViewController::endEdit()
{
    return m_delegate != nullptr && m_delegate->save();
}

QLabel* FieldViewController::makeLabel()
{
    auto* label = new QLabel(m_view);
    label->setFixedWidth(kDefaultLabelWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    m_label = label;
    addLabelWidget(label);
    return label;
}

void FieldViewController::addLabelWidget(QWidget* widget)
{
    m_labelLook.widgets.append(widget);
}

void FieldViewController::addValueWidget(QWidget* widget)
{
    m_textLook.widgets.append(widget);
}

void FieldViewController::fitHeight()
{
    if (QLayout* layout = m_view->layout()) {
        m_view->setFixedHeight(layout->sizeHint().height());
    }
}

void FieldViewController::inform(const std::string& title, const std::string& message,
                                 const std::string& detail) const
{
    if (m_context.alerts != nullptr) {
        m_context.alerts->inform(title, message, detail);
    } else {
        devLog(title + " " + message + " " + detail);
    }
}

void FieldViewController::setLabelFont(const QFont& font)
{
    for (const auto& widget : m_labelLook.widgets) {
        if (widget) {
            widget->setFont(font);
        }
    }
    fitHeight();
}

void FieldViewController::setTextFont(const QFont& font)
{
    for (const auto& widget : m_textLook.widgets) {
        if (widget) {
            widget->setFont(font);
        }
    }
    fitHeight();
}

void FieldViewController::setLabelColor(const RGBColor& color)
{
    for (const auto& widget : m_labelLook.widgets) {
        FieldViewLook::paintText(widget, color);
    }
}

void FieldViewController::setTextColor(const RGBColor& color)
{
    for (const auto& widget : m_textLook.widgets) {
        FieldViewLook::paintText(widget, color);
    }
}

void FieldViewController::applyShadow(Look& look)
{
    for (const auto& widget : look.widgets) {
        FieldViewLook::shade(widget, look.shadow, look.shadowColor);
    }
}

void FieldViewController::setLabelShadow(bool shadow)
{
    m_labelLook.shadow = shadow;
    applyShadow(m_labelLook);
}

void FieldViewController::setLabelShadowColor(const RGBColor& color)
{
    m_labelLook.shadowColor = color;
    applyShadow(m_labelLook);
}

void FieldViewController::setTextShadow(bool shadow)
{
    m_textLook.shadow = shadow;
    applyShadow(m_textLook);
}

void FieldViewController::setTextShadowColor(const RGBColor& color)
{
    m_textLook.shadowColor = color;
    applyShadow(m_textLook);
}

void FieldViewController::setLabelLenght(int width)
{
    for (const auto& widget : m_labelLook.widgets) {
        if (widget) {
            widget->setFixedWidth(std::max(0, width));
        }
    }
}

} // namespace dossiva

#include "ui/fieldviews/FieldViewLook.h"

#include <QGraphicsDropShadowEffect>
#include <QWidget>

namespace dossiva::FieldViewLook {

QColor toQColor(const RGBColor& color)
{
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

void paintText(QWidget* widget, const RGBColor& color)
{
    if (widget == nullptr) {
        return;
    }
    const QColor qtColor = toQColor(color);
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, qtColor);
    }
    widget->setPalette(palette);
}

void shade(QWidget* widget, bool shadow, const RGBColor& color)
{
    if (widget == nullptr) {
        return;
    }
    if (!shadow) {
        widget->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsDropShadowEffect*>(widget->graphicsEffect());
    if (effect == nullptr) {
        effect = new QGraphicsDropShadowEffect(widget);
        effect->setOffset(1, 1);
        effect->setBlurRadius(2);
        widget->setGraphicsEffect(effect);
    }
    effect->setColor(toQColor(color));
}

QFont enlarged(const QFont& font)
{
    QFont larger(font);
    if (font.pointSizeF() > 0) {
        larger.setPointSizeF(font.pointSizeF() + 2);
    } else if (font.pixelSize() > 0) {
        larger.setPixelSize(font.pixelSize() + 2);
    }
    return larger;
}

} // namespace dossiva::FieldViewLook

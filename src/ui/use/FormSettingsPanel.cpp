#include "ui/use/FormSettingsPanel.h"

#include "ui/use/FormFonts.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QToolButton>

#include <cmath>

namespace dossiva {

namespace {

QColor toQColor(const RGBColor& color)
{
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

RGBColor toRGBColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), 1};
}

QIcon swatchIcon(const RGBColor& color)
{
    QPixmap pixmap(22, 14);
    pixmap.fill(toQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

FormSettingsPanel::FormSettingsPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormSettings"));
    setAccessibleName(tr("Fonts, colours and background of the form"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setSpacing(2);
    layout->addWidget(buildRow(Row::Labels, tr("Labels")));
    layout->addWidget(buildRow(Row::Values, tr("Values")));

    m_background = new QComboBox(this);
    m_background->setAccessibleName(tr("Background"));
    m_background->addItem(tr("Background"), kBackgroundTitle);
    m_background->addItem(tr("Choose Picture..."), kBackgroundChoose);
    m_background->addItem(tr("No Picture"), kBackgroundNone);
    connect(m_background, &QComboBox::activated, this, [this](int index) {
        const int tag = m_background->itemData(index).toInt();
        m_background->setCurrentIndex(0);
        if (tag != kBackgroundTitle && backgroundChosen) {
            backgroundChosen(tag);
        }
    });
    static_cast<QHBoxLayout*>(m_values.family->parentWidget()->layout())->addWidget(m_background);

    pickColor = [this](const RGBColor& current) -> std::optional<RGBColor> {
        const QColor chosen = QColorDialog::getColor(toQColor(current), this, tr("Colors"));
        return chosen.isValid() ? std::optional(toRGBColor(chosen)) : std::nullopt;
    };
    for (int i = 0; i < 4; ++i) {
        setSwatchColor(static_cast<Swatch>(i), RGBColor{0, 0, 0, 1});
    }
    m_slide = new QPropertyAnimation(this, "maximumHeight", this);
    m_slide->setDuration(300);
    m_slide->setEasingCurve(QEasingCurve::InQuad);
    setMaximumHeight(0);
    hide();
}

QWidget* FormSettingsPanel::buildRow(Row which, const QString& title)
{
    auto* line = new QWidget(this);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(title, line);
    caption->setMinimumWidth(48);
    layout->addWidget(caption);
    FontRow& r = row(which);
    r.family = new QComboBox(line);
    r.style = new QComboBox(line);
    r.size = new QComboBox(line);
    r.size->addItems(FormFonts::sizes());
    r.size->setCurrentIndex(5);
    r.shadow = new QCheckBox(tr("Shadow"), line);
    for (QComboBox* menu : {r.family, r.style, r.size}) {
        layout->addWidget(menu);
        connect(menu, &QComboBox::activated, this, [this, which, menu] {
            if (menu == row(which).family) {
                // A new family starts on its first member.
                fillStyles(which, menu->currentText(), {});
            }
            fontChanged(which);
        });
    }
    r.family->setAccessibleName(title + tr(" font"));
    r.style->setAccessibleName(title + tr(" style"));
    r.size->setAccessibleName(title + tr(" size"));
    const Swatch color = which == Row::Labels ? Swatch::LabelColor : Swatch::TextColor;
    const Swatch shadowColor = which == Row::Labels ? Swatch::LabelShadowColor : Swatch::TextShadowColor;
    for (const Swatch swatch : {color, shadowColor}) {
        auto* button = new QToolButton(line);
        button->setAccessibleName(swatch == color ? title + tr(" colour") : title + tr(" shadow colour"));
        button->setToolTip(button->accessibleName());
        connect(button, &QToolButton::clicked, this, [this, swatch] { swatchPressed(swatch); });
        m_swatches[static_cast<int>(swatch)] = button;
        layout->addWidget(button);
        if (swatch == color) {
            layout->addWidget(r.shadow);
        }
    }
    connect(r.shadow, &QCheckBox::clicked, this, [this, which](bool checked) {
        if (shadowToggled) {
            shadowToggled(which, checked);
        }
    });
    layout->addStretch();
    return line;
}

QComboBox* FormSettingsPanel::familyMenu(Row which) const
{
    return row(which).family;
}
QComboBox* FormSettingsPanel::styleMenu(Row which) const
{
    return row(which).style;
}
QComboBox* FormSettingsPanel::sizeMenu(Row which) const
{
    return row(which).size;
}
QCheckBox* FormSettingsPanel::shadowCheck(Row which) const
{
    return row(which).shadow;
}
QToolButton* FormSettingsPanel::swatch(Swatch which) const
{
    return m_swatches[static_cast<int>(which)];
}

void FormSettingsPanel::showLayout(const FormLayout& layout)
{
    showFont(Row::Labels, FormFonts::storedOrDefault(layout.labelFont));
    showFont(Row::Values, FormFonts::storedOrDefault(layout.textFont));
    m_labels.shadow->setChecked(layout.labelShadow);
    m_values.shadow->setChecked(layout.textShadow);
    setSwatchColor(Swatch::LabelColor, layout.labelColor);
    setSwatchColor(Swatch::TextColor, layout.textColor);
    setSwatchColor(Swatch::LabelShadowColor, layout.labelShadowColor);
    setSwatchColor(Swatch::TextShadowColor, layout.textShadowColor);
}

void FormSettingsPanel::showFont(Row which, const FontSpec& font)
{
    FontRow& r = row(which);
    const QString family = FormFonts::familyOf(font);
    r.family->clear();
    r.family->addItems(FormFonts::families(family));
    r.family->setCurrentText(family);
    fillStyles(which, family, FormFonts::styleOf(font));
    const int size = r.size->findText(QString::number(static_cast<int>(std::trunc(font.size))));
    if (size >= 0) {
        r.size->setCurrentIndex(size);
    }
}

void FormSettingsPanel::fillStyles(Row which, const QString& family, const QString& selected)
{
    QComboBox* style = row(which).style;
    style->clear();
    style->addItems(FormFonts::styles(family));
    const int index = style->findText(selected);
    style->setCurrentIndex(index >= 0 ? index : 0);
}

void FormSettingsPanel::fontChanged(Row which)
{
    const FontRow& r = row(which);
    if (fontChosen) {
        fontChosen(which, FormFonts::fontSpec(r.family->currentText(), r.style->currentText(),
                                              r.size->currentText().toDouble()));
    }
}

void FormSettingsPanel::setSwatchColor(Swatch which, const RGBColor& color)
{
    m_colors[static_cast<int>(which)] = color;
    if (QToolButton* button = swatch(which)) {
        button->setIcon(swatchIcon(color));
    }
}

void FormSettingsPanel::swatchPressed(Swatch which)
{
    const auto chosen = pickColor ? pickColor(m_colors[static_cast<int>(which)]) : std::nullopt;
    if (chosen && colorChosen) {
        colorChosen(which, *chosen);
    }
}

void FormSettingsPanel::setOpen(bool open)
{
    if (open == m_open) {
        return;
    }
    m_open = open;
    m_slide->stop();
    if (open) {
        show();
    }
    m_slide->setStartValue(maximumHeight());
    m_slide->setEndValue(open ? sizeHint().height() : 0);
    disconnect(m_slide, &QPropertyAnimation::finished, this, nullptr);
    if (!open) {
        connect(m_slide, &QPropertyAnimation::finished, this, [this] {
            if (!m_open) {
                hide();
            }
        });
    }
    m_slide->start();
}

} // namespace dossiva

#pragma once

#include "storage/FormLayout.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QPropertyAnimation;
class QToolButton;

namespace dossiva {

// The panel that slides down above the record form with the form's look:
// the label and value fonts (family, member, size), the four colours, the
// two shadows and the background picture. It shows what a database stores
// and says what the user chose; the Use section stores it.
class FormSettingsPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormSettingsPanel)
public:
    enum class Row { Labels, Values };
    enum class Swatch { LabelColor, TextColor, LabelShadowColor, TextShadowColor };
    // The background menu's items, by tag.
    enum BackgroundTag { kBackgroundTitle = 0, kBackgroundChoose = 1, kBackgroundNone = 2 };

    explicit FormSettingsPanel(QWidget* parent = nullptr);

    // The menus and swatches show a database's stored look.
    void showLayout(const FormLayout& layout);
    void setSwatchColor(Swatch swatch, const RGBColor& color);

    // Slides the panel open or closed over 0.3 seconds.
    void setOpen(bool open);
    bool isOpen() const { return m_open; }

    // What the user chose.
    std::function<void(Row row, const FontSpec& font)> fontChosen;
    std::function<void(Swatch swatch, const RGBColor& color)> colorChosen;
    std::function<void(Row row, bool shadow)> shadowToggled;
    std::function<void(int tag)> backgroundChosen;
    // Asks for a colour, starting from the swatch's; the colour dialog
    // unless set (tests answer it).
    std::function<std::optional<RGBColor>(const RGBColor& current)> pickColor;

    QComboBox* familyMenu(Row row) const;
    QComboBox* styleMenu(Row row) const;
    QComboBox* sizeMenu(Row row) const;
    QToolButton* swatch(Swatch swatch) const;
    QCheckBox* shadowCheck(Row row) const;
    QComboBox* backgroundMenu() const { return m_background; }

private:
    struct FontRow {
        QComboBox* family = nullptr;
        QComboBox* style = nullptr;
        QComboBox* size = nullptr;
        QCheckBox* shadow = nullptr;
    };
    FontRow& row(Row which) { return which == Row::Labels ? m_labels : m_values; }
    const FontRow& row(Row which) const { return which == Row::Labels ? m_labels : m_values; }
    QWidget* buildRow(Row which, const QString& title);
    void showFont(Row which, const FontSpec& font);
    void fillStyles(Row which, const QString& family, const QString& selected);
    void fontChanged(Row which);
    void swatchPressed(Swatch swatch);

    FontRow m_labels;
    FontRow m_values;
    QToolButton* m_swatches[4] = {};
    RGBColor m_colors[4];
    QComboBox* m_background = nullptr;
    QPropertyAnimation* m_slide = nullptr;
    bool m_open = false;
};

} // namespace dossiva

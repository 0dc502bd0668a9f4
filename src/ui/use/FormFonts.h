#pragma once

#include "storage/FormLayout.h"

#include <QFont>
#include <QStringList>

#include <optional>

namespace dossiva {

// The fonts of the record form. A database stores a font as a name and a
// point size; the name is the PostScript-style name of a family's member
// ("DejaVuSans-Bold"). A database that stores none uses "Lucida Grande" at
// 13 points, which is shown as such even on a system that lacks it; the
// form then draws it in the system's font.
namespace FormFonts {

inline constexpr const char* kDefaultFamily = "Lucida Grande";
inline constexpr int kDefaultSize = 13;

// The sizes the size menus offer.
const QStringList& sizes();
// The stored font, or the default one.
FontSpec storedOrDefault(const std::optional<FontSpec>& stored);

// The family and the member a stored name stands for; a family the system
// lacks keeps its name and has its first member.
QString familyOf(const FontSpec& font);
QString styleOf(const FontSpec& font);
// The system's families, with `current` added when the system lacks it.
QStringList families(const QString& current);
// A family's members by their display names; the system font's members
// for a family the system lacks, so the menu is never empty.
QStringList styles(const QString& family);
// The stored form of a choice in the menus.
FontSpec fontSpec(const QString& family, const QString& style, double size);
// The font a stored one is drawn with.
QFont qfont(const FontSpec& font);

} // namespace FormFonts
} // namespace dossiva

#include "ui/use/FormFonts.h"

#include <QApplication>
#include <QFontDatabase>

#include <cmath>

namespace dossiva::FormFonts {

namespace {

QString compact(QString text)
{
    return text.remove(QLatin1Char(' '));
}

bool isRegular(const QString& style)
{
    static const QStringList kRegular = {QStringLiteral("Regular"), QStringLiteral("Normal"),
                                         QStringLiteral("Book"), QStringLiteral("Roman"),
                                         QStringLiteral("Medium")};
    return style.isEmpty() || kRegular.contains(style, Qt::CaseInsensitive);
}

struct Resolved {
    QString family;
    QString style;
    bool installed = false;
};

Resolved resolve(const FontSpec& font)
{
    const QString name = QString::fromStdString(font.name);
    if (name == QLatin1String(kDefaultFamily) || compact(name) == compact(QLatin1String(kDefaultFamily))) {
        const bool installed = QFontDatabase::hasFamily(QLatin1String(kDefaultFamily));
        return {QLatin1String(kDefaultFamily),
                installed ? QFontDatabase::styles(QLatin1String(kDefaultFamily)).value(0) : QString(),
                installed};
    }
    const QString familyPart = name.section(QLatin1Char('-'), 0, 0);
    const QString stylePart = name.section(QLatin1Char('-'), 1);
    for (const QString& family : QFontDatabase::families()) {
        if (family != name && compact(family) != familyPart) {
            continue;
        }
        const QStringList members = QFontDatabase::styles(family);
        for (const QString& member : members) {
            if ((stylePart.isEmpty() && isRegular(member)) || compact(member) == stylePart) {
                return {family, member, true};
            }
        }
        return {family, members.value(0), true};
    }
    return {familyPart.isEmpty() ? name : familyPart, {}, false};
}

} // namespace

const QStringList& sizes()
{
    static const QStringList kSizes = {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"),
                                       QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13"),
                                       QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
                                       QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22")};
    return kSizes;
}

FontSpec storedOrDefault(const std::optional<FontSpec>& stored)
{
    return stored && !stored->name.empty() ? *stored : FontSpec{kDefaultFamily, kDefaultSize};
}

QString familyOf(const FontSpec& font)
{
    return resolve(font).family;
}

QString styleOf(const FontSpec& font)
{
    const Resolved resolved = resolve(font);
    return resolved.installed ? resolved.style : styles(resolved.family).value(0);
}

QStringList families(const QString& current)
{
    QStringList list = QFontDatabase::families();
    if (!current.isEmpty() && !list.contains(current)) {
        list.prepend(current);
    }
    return list;
}

QStringList styles(const QString& family)
{
    QStringList members = QFontDatabase::hasFamily(family) ? QFontDatabase::styles(family) : QStringList();
    if (members.isEmpty()) {
        members = QFontDatabase::styles(QApplication::font().family());
    }
    if (members.isEmpty()) {
        members << QStringLiteral("Regular");
    }
    return members;
}

FontSpec fontSpec(const QString& family, const QString& style, double size)
{
    const QString name = isRegular(style) || !QFontDatabase::hasFamily(family)
                             ? (family == QLatin1String(kDefaultFamily) ? family : compact(family))
                             : compact(family) + QLatin1Char('-') + compact(style);
    return {name.toStdString(), size};
}

QFont qfont(const FontSpec& font)
{
    const Resolved resolved = resolve(font);
    const int points = std::max(1, static_cast<int>(std::trunc(font.size)));
    if (!resolved.installed) {
        QFont fallback = QApplication::font();
        fallback.setPointSize(points);
        return fallback;
    }
    QFont chosen = QFontDatabase::font(resolved.family, resolved.style, points);
    chosen.setPointSize(points);
    return chosen;
}

} // namespace dossiva::FormFonts

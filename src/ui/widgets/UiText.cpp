#include "ui/widgets/UiText.h"

#include "platform/DateFormat.h"

#include <QFile>

namespace dossiva {

QIcon uiIcon(const char* themeName)
{
    const QString name = QString::fromLatin1(themeName);
    const QString bundled = QStringLiteral(":/icons/%1.svg").arg(name);
    if (QFile::exists(bundled)) {
        return QIcon::fromTheme(name, QIcon(bundled));
    }
    return QIcon::fromTheme(name);
}

QIcon appIcon()
{
    return QIcon(QStringLiteral(":/icons/dossiva.svg"));
}

QImage toQImage(const Image& image)
{
    if (image.isNull()) {
        return {};
    }
    return QImage(image.rgba().data(), image.width(), image.height(), image.width() * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

QString longDateText(std::int64_t secondsSince1970)
{
    return QString::fromStdString(
        DateFormat::withStyles(DateFormat::Style::Long, DateFormat::Style::Short).format(secondsSince1970));
}

} // namespace dossiva

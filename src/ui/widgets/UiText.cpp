#include "ui/widgets/UiText.h"

#include "platform/DateFormat.h"

#include <QCoreApplication>
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

QIcon templateIcon(const std::string& iconName)
{
    if (iconName.empty()) {
        return uiIcon("document-new");
    }
    const QString bundled = QStringLiteral(":/icons/templates/%1.svg").arg(QString::fromStdString(iconName));
    return QFile::exists(bundled) ? QIcon(bundled) : uiIcon("x-office-spreadsheet");
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

QString updatesText()
{
    const QString version = QCoreApplication::applicationVersion();
    return QCoreApplication::translate(
               "Dossiva", "%1 comes from your distribution. New versions arrive with your system's updates, "
                          "through its package manager or software centre; Dossiva does not look for updates "
                          "itself.")
        .arg(version.isEmpty() ? QStringLiteral("Dossiva") : QStringLiteral("Dossiva ") + version);
}

QString longDateText(std::int64_t secondsSince1970)
{
    return QString::fromStdString(
        DateFormat::withStyles(DateFormat::Style::Long, DateFormat::Style::Short).format(secondsSince1970));
}

} // namespace dossiva

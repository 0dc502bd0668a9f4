#pragma once

#include "platform/Image.h"

#include <QIcon>
#include <QImage>
#include <QString>

#include <cstdint>
#include <string>

namespace dossiva {

// An icon from the desktop's theme, or the one bundled with Dossiva when the
// theme has none.
QIcon uiIcon(const char* themeName);
// The application's own icon.
QIcon appIcon();
// The icon of a template by its name ("iconBooks"); a new document's icon
// for the empty base's "".
QIcon templateIcon(const std::string& iconName);
// A core picture as a Qt image.
QImage toQImage(const Image& image);
// Where new versions of Dossiva come from, said plainly: the
// distribution's updates, not a check of Dossiva's own.
QString updatesText();
// A moment in the long date and short time styles of the user's locale.
QString longDateText(std::int64_t secondsSince1970);

} // namespace dossiva

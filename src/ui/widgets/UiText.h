#pragma once

#include "platform/Image.h"

#include <QIcon>
#include <QImage>
#include <QString>

#include <cstdint>

namespace dossiva {

// An icon from the desktop's theme, or the one bundled with Dossiva when the
// theme has none.
QIcon uiIcon(const char* themeName);
// The application's own icon.
QIcon appIcon();
// A core picture as a Qt image.
QImage toQImage(const Image& image);
// A moment in the long date and short time styles of the user's locale.
QString longDateText(std::int64_t secondsSince1970);

} // namespace dossiva

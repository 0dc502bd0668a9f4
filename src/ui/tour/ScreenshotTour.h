#pragma once

#include <QString>

namespace dossiva {

class MainController;

// Walks the main screens of a running application and saves a PNG of each
// into the folder: for the documentation and for looking at the screens
// without a desktop. Returns the process status.
int runScreenshotTour(MainController& controller, const QString& folder);

} // namespace dossiva

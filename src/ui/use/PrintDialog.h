#pragma once

#include <functional>
#include <optional>

class QPrinter;
class QString;
class QWidget;

namespace dossiva {

// The print dialog (a printer or a PDF file) under a title, then the
// printing it was asked for: the number of pages printed (0 when the
// printer could not start), or nullopt when the user cancelled.
std::optional<int> runPrintDialog(QWidget* parent, const QString& title,
                                  const std::function<int(QPrinter&)>& print);

} // namespace dossiva

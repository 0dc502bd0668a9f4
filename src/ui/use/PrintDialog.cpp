#include "ui/use/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace dossiva {

std::optional<int> runPrintDialog(QWidget* parent, const QString& title,
                                  const std::function<int(QPrinter&)>& print)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return print(printer);
}

} // namespace dossiva

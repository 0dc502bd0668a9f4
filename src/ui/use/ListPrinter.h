#pragma once

#include <optional>

class QPrinter;
class QTableView;
class QWidget;

namespace dossiva {

// Prints the record list as a table with its header: its columns at their
// widths, cut into strips as wide as a page, each strip's rows over as many
// pages as they need, the header again at the top of every page. Rows print
// unselected, whatever the selection on screen.
class ListPrinter {
public:
    explicit ListPrinter(QTableView& table);

    // The print dialog, then printing: the pages printed, nullopt when
    // cancelled.
    std::optional<int> runPrintDialog(QWidget* parent);
    // Prints to a printer already set up (margins are set here). The number
    // of pages printed; 0 when the printer could not start.
    int print(QPrinter& printer);

private:
    QTableView& m_table;
};

} // namespace dossiva

#pragma once

#include "storage/FormLayout.h"

#include <optional>

class QPrinter;
class QWidget;

namespace dossiva {

class FieldsView;

// Prints the record form as the user sees it, or, with the print-background
// preference off, in grey labels and black values without shadows or
// background. Large text fields grow to show their whole text, and a form
// taller than a page goes on over the next pages. The form looks as before
// once printing ends, whatever the user answered.
class FormPrinter {
public:
    FormPrinter(FieldsView& form, const FormLayout& layout);

    // The print dialog, then printing: the pages printed, nullopt when
    // cancelled.
    std::optional<int> runPrintDialog(QWidget* parent);
    // Prints to a printer already set up (margins are set here). The number
    // of pages printed; 0 when the printer could not start.
    int print(QPrinter& printer);

private:
    void prepare(bool printBackground);
    void restore();

    FieldsView& m_form;
    const FormLayout& m_layout;
};

} // namespace dossiva

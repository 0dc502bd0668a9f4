#include "ui/use/FormPrinter.h"

#include "platform/UserDefaults.h"
#include "ui/fieldviews/FieldViewController.h"
#include "ui/fieldviews/LargeTextFieldViewController.h"
#include "ui/use/FieldsView.h"
#include "ui/use/PrintDialog.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QWidget>

#include <cmath>

namespace dossiva {

namespace {

const RGBColor kPrintLabelGrey{0.4, 0.4, 0.4, 1};
const RGBColor kPrintBlack{0, 0, 0, 1};

} // namespace

FormPrinter::FormPrinter(FieldsView& form, const FormLayout& layout) : m_form(form), m_layout(layout)
{
}

std::optional<int> FormPrinter::runPrintDialog(QWidget* parent)
{
    return dossiva::runPrintDialog(parent, QObject::tr("Print Record"),
                                   [this](QPrinter& printer) { return print(printer); });
}

void FormPrinter::prepare(bool printBackground)
{
    if (QWidget* focus = m_form.focusWidget()) {
        focus->clearFocus();
    }
    for (FieldViewController* view : m_form.views()) {
        if (!printBackground) {
            view->setLabelColor(kPrintLabelGrey);
            view->setTextColor(kPrintBlack);
            view->setLabelShadow(false);
            view->setTextShadow(false);
        }
        if (auto* large = dynamic_cast<LargeTextFieldViewController*>(view)) {
            large->saveFieldHeight();
            const int growth = large->wholeTextHeight() + 2 - large->fieldHeight();
            if (growth > 0) {
                large->setOverallFieldHeight(large->overallFieldHeight() + growth);
            }
        }
    }
    m_form.restack();
    m_form.setBackgroundForPrint(printBackground);
}

void FormPrinter::restore()
{
    for (FieldViewController* view : m_form.views()) {
        view->setLabelColor(m_layout.labelColor);
        view->setTextColor(m_layout.textColor);
        view->setLabelShadow(m_layout.labelShadow);
        view->setTextShadow(m_layout.textShadow);
        if (auto* large = dynamic_cast<LargeTextFieldViewController*>(view)) {
            large->setOverallFieldHeight(large->savedFieldHeight());
        }
    }
    m_form.restack();
    m_form.setNormalBackground();
}

int FormPrinter::print(QPrinter& printer)
{
    printer.setPageMargins(QMarginsF(8, 10, 8, 10), QPageLayout::Point);
    prepare(UserDefaults::standard().boolForKey("SPrintBack"));
    int pages = 0;
    QPainter painter;
    if (painter.begin(&printer)) {
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        // The form is drawn at its width scaled to the page's, centred; a
        // form taller than a page continues on the next.
        const int formHeight = m_form.totalHeight() + FieldsView::kTopMargin;
        const double scale =
            std::min(1.0, page.width() / m_form.width()) * printer.resolution() / m_form.logicalDpiX();
        const double drawnWidth = m_form.width() * scale;
        const double left = (page.width() - drawnWidth) / 2;
        const int sliceHeight = static_cast<int>(page.height() / scale);
        for (int top = 0; top < formHeight; top += sliceHeight) {
            if (pages > 0) {
                printer.newPage();
            }
            painter.save();
            painter.translate(left, 0);
            painter.scale(scale, scale);
            m_form.render(&painter, QPoint(0, 0), QRegion(0, top, m_form.width(), sliceHeight),
                          QWidget::DrawChildren);
            painter.restore();
            ++pages;
        }
        painter.end();
    }
    restore();
    return pages;
}

} // namespace dossiva

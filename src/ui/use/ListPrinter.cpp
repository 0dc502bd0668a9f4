#include "ui/use/ListPrinter.h"

#include "ui/use/PrintDialog.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QPainter>
#include <QPrinter>
#include <QTableView>

#include <algorithm>
#include <vector>

namespace dossiva {

namespace {

// The columns printed side by side on one page.
struct Strip {
    std::vector<int> columns;
    int width = 0;
};

std::vector<Strip> strips(const QHeaderView& header, double pageWidth)
{
    std::vector<Strip> result;
    Strip strip;
    for (int column = 0; column < header.count(); ++column) {
        const int width = header.sectionSize(column);
        if (header.isSectionHidden(column) || width <= 0) {
            continue;
        }
        // A column wider than a page has a page of its own, cut at its edge.
        if (!strip.columns.empty() && strip.width + width > pageWidth) {
            result.push_back(std::exchange(strip, {}));
        }
        strip.columns.push_back(column);
        strip.width += width;
    }
    if (!strip.columns.empty()) {
        result.push_back(std::move(strip));
    }
    return result;
}

void paintHeader(QPainter& painter, QHeaderView& header, const Strip& strip)
{
    int x = 0;
    for (const int column : strip.columns) {
        QStyleOptionHeader option;
        option.initFrom(&header);
        option.rect = QRect(x, 0, header.sectionSize(column), header.height());
        option.section = column;
        option.text = header.model()->headerData(column, Qt::Horizontal).toString();
        option.textAlignment = Qt::AlignCenter;
        option.state = QStyle::State_Enabled | QStyle::State_Raised;
        header.style()->drawControl(QStyle::CE_Header, &option, &painter, &header);
        x += header.sectionSize(column);
    }
}

void paintRow(QPainter& painter, QTableView& table, const Strip& strip, int row, int top, int height)
{
    const QHeaderView& header = *table.horizontalHeader();
    QAbstractItemDelegate* delegate = table.itemDelegate();
    int x = 0;
    painter.setPen(table.palette().color(QPalette::Mid));
    for (const int column : strip.columns) {
        const int width = header.sectionSize(column);
        QStyleOptionViewItem option;
        option.initFrom(&table);
        option.widget = &table;
        option.rect = QRect(x, top, width, height);
        option.state = QStyle::State_Enabled;
        option.font = table.font();
        delegate->paint(&painter, option, table.model()->index(row, column));
        painter.drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        x += width;
    }
}

} // namespace

ListPrinter::ListPrinter(QTableView& table) : m_table(table)
{
}

std::optional<int> ListPrinter::runPrintDialog(QWidget* parent)
{
    return dossiva::runPrintDialog(parent, QObject::tr("Print Records"),
                                   [this](QPrinter& printer) { return print(printer); });
}

int ListPrinter::print(QPrinter& printer)
{
    printer.setPageMargins(QMarginsF(8, 10, 8, 10), QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    QHeaderView& header = *m_table.horizontalHeader();
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    // The table prints at its size on screen, in the printer's pixels.
    const double scale = static_cast<double>(printer.resolution()) / m_table.logicalDpiX();
    const double pageWidth = page.width() / scale;
    const int rowHeight = std::max(1, m_table.verticalHeader()->defaultSectionSize());
    const int headerHeight = header.height();
    const int rowsPerPage = std::max(1, static_cast<int>((page.height() / scale - headerHeight) / rowHeight));
    const int rows = m_table.model()->rowCount();
    int pages = 0;
    for (const Strip& strip : strips(header, pageWidth)) {
        const double left = std::max(0.0, (pageWidth - strip.width) / 2);
        for (int first = 0; first == 0 || first < rows; first += rowsPerPage) {
            if (pages++ > 0) {
                printer.newPage();
            }
            painter.save();
            painter.scale(scale, scale);
            painter.translate(left, 0);
            painter.setClipRect(QRect(0, 0, std::min(strip.width, static_cast<int>(pageWidth)),
                                      headerHeight + rowsPerPage * rowHeight));
            paintHeader(painter, header, strip);
            for (int row = first; row < std::min(rows, first + rowsPerPage); ++row) {
                paintRow(painter, m_table, strip, row, headerHeight + (row - first) * rowHeight, rowHeight);
            }
            painter.restore();
        }
    }
    painter.end();
    return pages;
}

} // namespace dossiva

#include "ui/WidgetClicks.h"

#include <QListWidget>
#include <QTest>

namespace dossiva::test {

void clickNearStart(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

void clickRow(QAbstractItemView& view, int row)
{
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      view.visualRect(view.model()->index(row, 0)).center());
}

std::vector<std::string> rowTexts(const QListWidget& list)
{
    std::vector<std::string> texts;
    for (int row = 0; row < list.count(); ++row) {
        texts.push_back(list.item(row)->text().toStdString());
    }
    return texts;
}

} // namespace dossiva::test

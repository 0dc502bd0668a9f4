#include "ui/WidgetClicks.h"

#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

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

QStringList entryTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        texts << action->text();
    }
    return texts;
}

QAction* entryNamed(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

void clickEntry(QMenu& menu, const QString& text)
{
    QAction* entry = entryNamed(menu, text);
    ASSERT_NE(entry, nullptr) << "no " << text.toStdString() << " in the menu";
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(entry).center());
}

} // namespace dossiva::test

#pragma once

#include <string>
#include <vector>

#include <QStringList>

class QAbstractItemView;
class QAction;
class QListWidget;
class QMenu;
class QWidget;

namespace dossiva::test {

// Clicks a widget near its left end: a check box or radio button laid out
// wide is not clickable in its middle, past its text.
void clickNearStart(QWidget* widget);

// Clicks the middle of a row of a list or table.
void clickRow(QAbstractItemView& view, int row);

// The texts of a list's rows, from the top.
std::vector<std::string> rowTexts(const QListWidget& list);

// The texts of a menu's entries, from the top, a separator as "".
QStringList entryTexts(const QMenu& menu);

// A menu's entry of this text, or nullptr.
QAction* entryNamed(const QMenu& menu, const QString& text);

// Clicks a menu's entry of this text where it is drawn; fails when there is none.
void clickEntry(QMenu& menu, const QString& text);

} // namespace dossiva::test

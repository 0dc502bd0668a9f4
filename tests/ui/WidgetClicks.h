#pragma once

#include <string>
#include <vector>

class QAbstractItemView;
class QListWidget;
class QWidget;

namespace dossiva::test {

// Clicks a widget near its left end: a check box or radio button laid out
// wide is not clickable in its middle, past its text.
void clickNearStart(QWidget* widget);

// Clicks the middle of a row of a list or table.
void clickRow(QAbstractItemView& view, int row);

// The texts of a list's rows, from the top.
std::vector<std::string> rowTexts(const QListWidget& list);

} // namespace dossiva::test

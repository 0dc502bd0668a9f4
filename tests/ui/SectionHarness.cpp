#include "ui/SectionHarness.h"

#include <QAction>
#include <QWidget>

namespace dossiva::test {

void addUndoRedoKeys(QWidget& window, SectionController& section)
{
    auto* undo = new QAction(&window);
    undo->setShortcut(QKeySequence::Undo);
    QObject::connect(undo, &QAction::triggered, &window, [&section] { section.undo(); });
    auto* redo = new QAction(&window);
    redo->setShortcut(QKeySequence::Redo);
    QObject::connect(redo, &QAction::triggered, &window, [&section] { section.redo(); });
    window.addActions({undo, redo});
}

} // namespace dossiva::test

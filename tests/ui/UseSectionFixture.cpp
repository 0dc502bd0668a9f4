#include "UseSectionFixture.h"

#include "platform/UserDefaults.h"

#include <QAction>
#include <QtTest>

namespace dossiva::test {

void UseSectionFixture::open()
{
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());
    UserDefaults::standard().setInteger("Sorting", 0);
    UserDefaults::standard().setInteger("RecSortOrder", 1);
    section = std::make_unique<UseSectionController>(delegate, alerts, panels, [this] {
        ++passwordAsked;
        return passwordGiven;
    });
    section->setSearchField(search);
    section->view()->setParent(&window);
    // Edit > Undo and Redo, as the main window's menu has them.
    auto* undo = new QAction(&window);
    undo->setShortcut(QKeySequence::Undo);
    QObject::connect(undo, &QAction::triggered, section.get(), [this] { section->undo(); });
    auto* redo = new QAction(&window);
    redo->setShortcut(QKeySequence::Redo);
    QObject::connect(redo, &QAction::triggered, section.get(), [this] { section->redo(); });
    window.addActions({undo, redo});
    window.resize(1000, 700);
    section->view()->resize(1000, 660);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

void UseSectionFixture::searchFor(const QString& text)
{
    search->setFocus();
    search->selectAll();
    QTest::keyClicks(search, text);
    QTest::keyClick(search, Qt::Key_Return);
}

} // namespace dossiva::test

#include "UseSectionFixture.h"

#include "platform/UserDefaults.h"

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
    addUndoRedoKeys(window, *section);
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

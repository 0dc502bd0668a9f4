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

RecordId UseSectionFixture::addRecord(const std::string& title,
                                      std::vector<std::pair<FieldId, FieldValue>> values)
{
    auto entries = emptyRecordEntries(++created, 0);
    entries.front().value = FieldValue::text(title);
    for (auto& [field, value] : values) {
        entryFor(entries, field).value = std::move(value);
    }
    EXPECT_TRUE(db.addRecordToDb(entries));
    return db.dbData().back().recordId;
}

void UseSectionFixture::searchFor(const QString& text)
{
    search->setFocus();
    search->selectAll();
    QTest::keyClicks(search, text);
    QTest::keyClick(search, Qt::Key_Return);
}

} // namespace dossiva::test

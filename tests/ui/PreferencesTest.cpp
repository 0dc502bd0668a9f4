// The preferences window driven through its controls: what it shows for the
// stored settings, what each control writes, the sorting notifications and
// the word on where updates come from.
#include "support/TestHome.h"
#include "ui/WidgetClicks.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "ui/prefs/PreferencesWindowController.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// Collects the sort indexes posted under a notification name while the
// token lives.
ObserverToken collectSorts(NotificationKind<std::int64_t> kind, std::vector<std::int64_t>& posted)
{
    return NotificationCenter::defaultCenter().observe<std::int64_t>(
        kind, nullptr, [&posted](const std::int64_t& index, const void*) { posted.push_back(index); });
}

// The setting as the preferences file holds it, read back from the disk.
std::optional<PropertyList> storedOnDisk(const std::string& key)
{
    UserDefaults onDisk(UserDefaults::standard().filePath());
    return onDisk.object(key);
}

class PreferencesTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(PreferencesTest, ControlsShowTheStoredSettingsOrTheirDefaultsAndWriteNothing)
{
    using Window = PreferencesWindowController;
    using Shown = std::function<int(Window&)>;
    const auto ticked = [](std::function<QCheckBox*(Window&)> box) {
        return Shown([box](Window& window) { return box(window)->isChecked() ? 1 : 0; });
    };
    const Shown exportSheet = ticked(&Window::showExport), printBack = ticked(&Window::printBackgroundButton),
                backup = ticked(&Window::backupButton), templates = ticked(&Window::syncTemplatesButton);
    const Shown sort = [](Window& window) { return window.sortingPopUp()->currentIndex(); };
    const auto integer = [](std::int64_t value) { return std::optional(PropertyList(value)); };
    struct Case {
        const char* key;
        std::optional<PropertyList> stored; // none: missing
        Shown shown;
        int expected;
    };
    const std::vector<Case> cases = {
        {"Export CSV", std::nullopt, exportSheet, 1}, // no key: the sheet is shown
        {"Export CSV", PropertyList(false), exportSheet, 0},
        {"Export CSV", PropertyList(true), exportSheet, 1},
        {"SPrintBack", std::nullopt, printBack, 0},
        {"SPrintBack", integer(1), printBack, 1},
        {"SPrintBack", integer(0), printBack, 0},
        {"Backup", std::nullopt, backup, 0},
        {"Backup", integer(1), backup, 1},
        {"Backup", integer(0), backup, 0},
        {"STemplates", std::nullopt, templates, 0},
        {"STemplates", integer(1), templates, 1},
        {"Sorting", std::nullopt, sort, 2},
        {"Sorting", integer(0), sort, 0},
        {"Sorting", integer(1), sort, 1},
        {"Sorting", integer(2), sort, 2},
        {"Sorting", integer(7), sort, 2}, // nonsense: the default
        {"Sorting", integer(-1), sort, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " +
                     (c.stored ? std::to_string(c.stored->toInteger()) : "missing"));
        if (c.stored) {
            UserDefaults::standard().set(c.key, *c.stored);
        }
        auto window = std::make_unique<PreferencesWindowController>();
        EXPECT_EQ(c.shown(*window), c.expected);
        EXPECT_EQ(UserDefaults::standard().has(c.key), c.stored.has_value()) << "showing the window wrote it";
        UserDefaults::standard().remove(c.key);
    }
    EXPECT_FALSE(PreferencesWindowController::printBackground());
}

TEST_F(PreferencesTest, EachCheckBoxWritesItsSettingAtOnceInItsOwnType)
{
    struct Case {
        const char* key;
        std::function<QCheckBox*(PreferencesWindowController&)> control;
        PropertyList::Kind kind;
    };
    const std::vector<Case> cases = {
        {"Backup", &PreferencesWindowController::backupButton, PropertyList::Kind::Integer},
        {"STemplates", &PreferencesWindowController::syncTemplatesButton, PropertyList::Kind::Integer},
        {"SPrintBack", &PreferencesWindowController::printBackgroundButton, PropertyList::Kind::Integer},
        {"Export CSV", &PreferencesWindowController::showExport, PropertyList::Kind::Boolean},
    };
    auto window = std::make_unique<PreferencesWindowController>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        QCheckBox* box = c.control(*window);
        window->showPane(box->parentWidget()->objectName());
        for (int click = 0; click < 2; ++click) {
            clickNearStart(box);
            const auto stored = storedOnDisk(c.key);
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(stored->kind(), c.kind);
            EXPECT_EQ(stored->toInteger(), box->isChecked() ? 1 : 0);
        }
    }
    EXPECT_FALSE(window->printBackgroundButton()->isChecked());
    clickNearStart(window->printBackgroundButton());
    EXPECT_TRUE(PreferencesWindowController::printBackground());
}

TEST_F(PreferencesTest, ChoosingASortStoresItAndPostsTheIndexOnce)
{
    std::vector<std::int64_t> posted;
    const ObserverToken watch = collectSorts(kSortingTypeChangedNotification, posted);
    auto window = std::make_unique<PreferencesWindowController>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QComboBox* popUp = window->sortingPopUp();
    popUp->setFocus();
    QTest::keyClick(popUp, Qt::Key_Up); // from 2 to 1
    QTest::keyClick(popUp, Qt::Key_Up); // to 0
    EXPECT_EQ(posted, (std::vector<std::int64_t>{1, 0}));
    const auto stored = storedOnDisk("Sorting");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->kind(), PropertyList::Kind::Integer);
    EXPECT_EQ(stored->toInteger(), 0);
}

TEST_F(PreferencesTest, SortChangedInTheRecordListMovesThePopUpWithoutEcho)
{
    UserDefaults::standard().setInteger("Sorting", 2);
    std::vector<std::int64_t> posted;
    const ObserverToken watch = collectSorts(kSortingTypeChangedNotification, posted);
    auto window = std::make_unique<PreferencesWindowController>();
    struct Case {
        std::int64_t payload;
        int shown;
    };
    const std::vector<Case> cases = {
        {0, 0},  {1, 1}, {9, 1}, // no such item: the pop-up stays
        {-1, 1},                 // nor a negative one
        {2, 2},
    };
    for (const Case& c : cases) {
        NotificationCenter::defaultCenter().post(kSortingTypeChangedNotificationFromListTable, nullptr,
                                                 c.payload);
        EXPECT_EQ(window->sortingPopUp()->currentIndex(), c.shown);
    }
    EXPECT_TRUE(posted.empty()) << "the window posted the sort back";
    EXPECT_EQ(UserDefaults::standard().integerForKey("Sorting"), 2) << "the list stores its own sort";
}

TEST_F(PreferencesTest, AClosedWindowStopsFollowingTheRecordList)
{
    auto closed = std::make_unique<PreferencesWindowController>();
    closed.reset();
    auto window = std::make_unique<PreferencesWindowController>();
    // The destroyed window must not be called (the sanitizers would see it).
    NotificationCenter::defaultCenter().post(kSortingTypeChangedNotificationFromListTable, nullptr,
                                             std::int64_t{0});
    EXPECT_EQ(window->sortingPopUp()->currentIndex(), 0);
}

TEST_F(PreferencesTest, TheUpdatePaneSaysUpdatesComeFromTheDistributionNotALastCheck)
{
    // A time from the update component of an earlier release is kept, and
    // not shown as if a check had run.
    UserDefaults::standard().set("SULastCheckTime", PropertyList(PropertyList::Date{1261736430}));
    auto window = std::make_unique<PreferencesWindowController>();
    window->showPane(QStringLiteral("PUpd"));
    EXPECT_TRUE(window->updateLabel()->text().contains(QStringLiteral("comes from your distribution")));
    EXPECT_FALSE(window->updateLabel()->text().contains(QStringLiteral("2009")));
    EXPECT_TRUE(window->findChildren<QPushButton*>().isEmpty())
        << "no button runs a check that does not happen";
    EXPECT_TRUE(UserDefaults::standard().has("SULastCheckTime"));
}

TEST_F(PreferencesTest, ToolbarItemsShowTheirPanesAndTitles)
{
    const std::vector<std::pair<QString, QString>> panes = {
        {QStringLiteral("PGen"), QStringLiteral("General")},
        {QStringLiteral("PUpd"), QStringLiteral("Update")},
        {QStringLiteral("PCSV"), QStringLiteral("Export")},
    };
    auto window = std::make_unique<PreferencesWindowController>();
    EXPECT_EQ(window->currentPane(), QStringLiteral("PGen"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("General"));
    window->show();
    for (const auto& [identifier, label] : panes) {
        auto* item = window->findChild<QAction*>(identifier);
        ASSERT_NE(item, nullptr) << identifier.toStdString();
        EXPECT_EQ(item->text(), label);
        item->trigger();
        EXPECT_EQ(window->currentPane(), identifier);
        EXPECT_EQ(window->windowTitle(), label);
        EXPECT_TRUE(item->isChecked());
    }
    window->showPane(QStringLiteral("PNone"));
    EXPECT_EQ(window->currentPane(), QStringLiteral("PCSV"));
}

TEST_F(PreferencesTest, SwitchingPanesKeepsTheTopEdgeAndTheCentre)
{
    auto window = std::make_unique<PreferencesWindowController>();
    window->showPreferences();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QRect before = window->geometry();
    window->showPane(QStringLiteral("PCSV"));
    QTRY_VERIFY_WITH_TIMEOUT(window->minimumSize() == window->maximumSize(), 2000);
    const QRect after = window->geometry();
    EXPECT_NE(after.height(), before.height()) << "the Export pane is shorter than the General one";
    EXPECT_EQ(after.top(), before.top());
    EXPECT_NEAR(after.center().x(), before.center().x(), 1);
}

} // namespace

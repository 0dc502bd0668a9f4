// Database dates and the record form's layout.
#include "support/TestDatabase.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class InfoStoreTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Info");
    DBManager& db = DBManager::sharedIstance();
    std::string file() const { return Paths::databaseFile(package); }
};

TEST_F(InfoStoreTest, DatesOfANewDatabaseAndTheirNotifications)
{
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{-1, -1, -1})) << "no row yet";
    {
        const ScopedClockOverride clock(1600000000.4);
        ASSERT_TRUE(db.createGeneralInfoTable());
    }
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1600000000, -1, -1}));

    std::vector<std::int64_t> announced;
    auto& center = NotificationCenter::defaultCenter();
    ObserverToken observer = center.observe<std::int64_t>(
        kEditDateNotification, nullptr,
        [&](const std::int64_t& date, const void*) { announced.push_back(date); });
    ASSERT_TRUE(db.setEditDate(1600000100.5));
    ASSERT_TRUE(db.setSyncDate(1600000200));
    observer.reset();
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1600000000, 1600000101, 1600000200}));
    EXPECT_EQ(announced, (std::vector<std::int64_t>{1600000101, 1600000200}));

    sqliteShell(file(), "update general_info set edit=0, sync=NULL");
    EXPECT_EQ(db.getDates(), (std::array<std::int64_t, 3>{1600000000, -1, -1}));
    sqliteShell(file(), "drop table general_info");
    EXPECT_EQ(db.getDates(), std::nullopt);
}

TEST_F(InfoStoreTest, TheLayoutTableIsMadeByTheFirstChangeNotByReading)
{
    EXPECT_EQ(db.getLabelColor(), (RGBColor{0.4, 0.4, 0.4, 1}));
    EXPECT_FALSE(db.getLabelShadow());
    EXPECT_EQ(db.getLabelFont(), std::nullopt);
    EXPECT_EQ(db.getTextFont(), std::nullopt);
    EXPECT_EQ(db.getBackground(), std::nullopt);
    EXPECT_EQ(sqliteShell(file(), "select count(*) from sqlite_master where name='layout_info'"), "0\n");

    db.setLabelColor(RGBColor{1, 1, 1, 1});
    EXPECT_EQ(sqliteShell(file(), "select rowid, label_color, bkg_length from layout_info"),
              "1|255,255,255|0\n");
    EXPECT_EQ(
        sqliteShell(file(), "select sql from sqlite_master where name='layout_info'"),
        "CREATE TABLE layout_info('label_font','label_color','text_font','text_color','bkg_img','bkg_length',"
        "'label_shadow','label_shadow_color','text_shadow','text_shadow_color')\n");
}

TEST_F(InfoStoreTest, ColoursFontsAndShadowsAsStored)
{
    struct ColourCase {
        RGBColor written;
        const char* stored;
    };
    const std::vector<ColourCase> colours = {
        {{1, 1, 1, 1}, "255,255,255"},
        {{0, 0.5, 1, 1}, "0,127,255"},
        {{0.999, 0.001, 0.4, 0.3}, "254,0,102"},
        {{-0.5, 1.5, 0, 1}, "0,255,0"},
    };
    for (const auto& c : colours) {
        db.setTextColor(c.written);
        EXPECT_EQ(sqliteShell(file(), "select text_color from layout_info"), std::string(c.stored) + "\n");
    }
    sqliteShell(file(), "update layout_info set label_color='0,128,255'");
    EXPECT_EQ(db.getLabelColor(), (RGBColor{0, 128 / 255.0, 1, 1}));
    sqliteShell(file(), "update layout_info set label_color='not a colour'");
    EXPECT_EQ(db.getLabelColor(), (RGBColor{0.4, 0.4, 0.4, 1}));

    db.setLabelFont(FontSpec{"DejaVu Sans, Bold", 12.7});
    EXPECT_EQ(sqliteShell(file(), "select label_font from layout_info"), "DejaVu Sans, Bold,12\n");
    sqliteShell(file(), "update layout_info set text_font='Serif,12.7'");
    EXPECT_EQ(db.getTextFont(), (FontSpec{"Serif", 12}));
    db.setTextFont(FontSpec{"Mono", -3});
    EXPECT_EQ(db.getTextFont(), (FontSpec{"Mono", 0}));

    db.setLabelShadow(true);
    db.setTextShadowColor(RGBColor{0.2, 0.2, 0.2, 1});
    EXPECT_TRUE(db.getLabelShadow());
    EXPECT_FALSE(db.getTextShadow());
    EXPECT_EQ(sqliteShell(file(), "select label_shadow, text_shadow_color from layout_info"), "1|51,51,51\n");
}

TEST_F(InfoStoreTest, BackgroundIsKeptInTheFileAndAnnounced)
{
    std::vector<std::uint8_t> rgba(20 * 10 * 4, 128);
    const std::string path = library.home() + "/background.tiff";
    ASSERT_TRUE(Image(20, 10, rgba).writeTiffJpeg(path));
    const auto bytes = FileManager::readFile(path);

    int announced = 0;
    bool lastWasNull = false;
    auto& center = NotificationCenter::defaultCenter();
    ObserverToken observer = center.observe<ImagePtr>(kDBBackgroundChangedNotification, nullptr,
                                                      [&](const ImagePtr& picture, const void*) {
                                                          ++announced;
                                                          lastWasNull = picture == nullptr;
                                                      });
    db.saveBackground(path);
    const auto background = db.getBackground();
    ASSERT_TRUE(background);
    EXPECT_EQ(background->width(), 20);
    EXPECT_EQ(sqliteShell(file(), "select bkg_length = length(bkg_img) from layout_info"), "1\n");
    EXPECT_EQ(sqliteShell(file(), "select bkg_length from layout_info"),
              std::to_string(bytes->size()) + "\n");

    db.saveBackground("");
    observer.reset();
    EXPECT_EQ(db.getBackground(), std::nullopt);
    EXPECT_EQ(sqliteShell(file(), "select bkg_img, bkg_length from layout_info"), "0|0\n");
    EXPECT_EQ(announced, 2);
    EXPECT_TRUE(lastWasNull);
}

} // namespace

// The database's dates (general_info) and the look of its record form
// (layout_info).
#include "storage/DBManager.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <cmath>
#include <functional>

namespace dossiva {

namespace {

const RGBColor kDefaultLabelColor{0.4, 0.4, 0.4, 1};
const RGBColor kBlack{0, 0, 0, 1};

} // namespace

bool DBManager::createGeneralInfoTable()
{
    SqliteConnection db = connect();
    SqliteStatement insert = db.prepare("insert into general_info(creation) values(?)");
    return insert.isValid() && insert.bindInt64(1, Clock::nowSeconds()) && insert.run();
}

bool DBManager::setDate(const char* column, double secondsSince1970)
{
    SqliteConnection db = connect();
    SqliteStatement update =
        db.prepare(std::string("update general_info set ") + column + "=? where rowid=1");
    const std::int64_t seconds = std::llround(secondsSince1970);
    if (!update.isValid() || !update.bindInt64(1, seconds) || !update.run()) {
        devLog(std::string("Error DB: failed to set ") + column + " date with message '" + db.errorMessage() +
               "'.");
        return false;
    }
    // A file without its dates row stores nothing: announcing a date that
    // was not kept would show one the next listing cannot find.
    if (db.changes() == 0) {
        devLog(std::string("Error DB: no general_info row to set the ") + column + " date in.");
        return false;
    }
    if (m_announces) {
        NotificationCenter::defaultCenter().post(kEditDateNotification, this, seconds);
    }
    return true;
}

bool DBManager::setEditDate(double secondsSince1970)
{
    return setDate("edit", secondsSince1970);
}

bool DBManager::setSyncDate(double secondsSince1970)
{
    return setDate("sync", secondsSince1970);
}

std::optional<std::array<std::int64_t, 3>> DBManager::getDates() const
{
    SqliteConnection db = connect();
    SqliteStatement row = db.prepare("select creation,edit,sync from general_info where rowid=1");
    if (!row.isValid()) {
        return std::nullopt;
    }
    std::array<std::int64_t, 3> dates{-1, -1, -1};
    const SqliteStatement::Step step = row.step();
    if (step == SqliteStatement::Step::Failed) {
        return std::nullopt;
    }
    if (step == SqliteStatement::Step::Row) {
        for (int i = 0; i < 3; ++i) {
            const auto seconds = static_cast<std::int64_t>(std::trunc(row.columnDouble(i)));
            dates[static_cast<std::size_t>(i)] = seconds == 0 ? -1 : seconds;
        }
    }
    return dates;
}

// ---------------------------------------------------------------------------
// Layout

bool DBManager::createLayoutInfoTable(SqliteConnection& db) const
{
    return db.exec("create table layout_info('label_font','label_color','text_font','text_color','bkg_img',"
                   "'bkg_length','label_shadow','label_shadow_color','text_shadow','text_shadow_color')",
                   "failed to create layout_info") &&
           db.exec("insert into layout_info(bkg_length) values(0)", "failed to insert layout_info row");
}

std::optional<std::string> DBManager::readLayoutText(const char* column) const
{
    SqliteConnection db = connect();
    SqliteStatement select = db.prepare(std::string("select ") + column + " from layout_info");
    if (!select.isValid() || select.step() != SqliteStatement::Step::Row || select.isNull(0)) {
        return std::nullopt;
    }
    return select.columnText(0);
}

std::optional<std::int64_t> DBManager::readLayoutInteger(const char* column) const
{
    SqliteConnection db = connect();
    SqliteStatement select = db.prepare(std::string("select ") + column + " from layout_info");
    if (!select.isValid() || select.step() != SqliteStatement::Step::Row || select.isNull(0)) {
        return std::nullopt;
    }
    return select.columnInt64(0);
}

namespace {

bool layoutRowExists(SqliteConnection& db, bool& tableExists)
{
    SqliteStatement select = db.prepare("select rowid from layout_info where rowid=1");
    tableExists = select.isValid();
    return tableExists && select.step() == SqliteStatement::Step::Row;
}

// Setters make the table on first use; a table without its row gets one.
// Opens the layout row for writing, making the table or the row when the
// file has none yet. False when neither exists nor can be made.
bool prepareLayoutRow(SqliteConnection& db, const std::function<bool(SqliteConnection&)>& createTable)
{
    if (!db.isOpen()) {
        return false;
    }
    bool tableExists = false;
    if (layoutRowExists(db, tableExists)) {
        return true;
    }
    return tableExists ? db.exec("insert into layout_info(rowid,bkg_length) values(1,0)") : createTable(db);
}

} // namespace

void DBManager::writeLayoutText(const char* column, const std::string& value)
{
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return;
    }
    SqliteStatement update = db.prepare(std::string("update layout_info set ") + column + "=? where rowid=1");
    if (!update.isValid() || !update.bindText(1, value) || !update.run()) {
        devLog(std::string("Error DB: failed to set ") + column + " with message '" + db.errorMessage() +
               "'.");
    }
}

void DBManager::writeLayoutInteger(const char* column, std::int64_t value)
{
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return;
    }
    SqliteStatement update = db.prepare(std::string("update layout_info set ") + column + "=? where rowid=1");
    if (!update.isValid() || !update.bindInt64(1, value) || !update.run()) {
        devLog(std::string("Error DB: failed to set ") + column + " with message '" + db.errorMessage() +
               "'.");
    }
}

void DBManager::setLabelFont(const std::optional<FontSpec>& font)
{
    writeLayoutText("label_font", font ? LayoutCodec::encodeFont(*font) : std::string());
}

std::optional<FontSpec> DBManager::getLabelFont() const
{
    const auto text = readLayoutText("label_font");
    return text ? LayoutCodec::decodeFont(*text) : std::nullopt;
}

void DBManager::setTextFont(const std::optional<FontSpec>& font)
{
    writeLayoutText("text_font", font ? LayoutCodec::encodeFont(*font) : std::string());
}

std::optional<FontSpec> DBManager::getTextFont() const
{
    const auto text = readLayoutText("text_font");
    return text ? LayoutCodec::decodeFont(*text) : std::nullopt;
}

void DBManager::setLabelColor(const RGBColor& color)
{
    writeLayoutText("label_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getLabelColor() const
{
    const auto text = readLayoutText("label_color");
    return text ? LayoutCodec::decodeColor(*text).value_or(kDefaultLabelColor) : kDefaultLabelColor;
}

void DBManager::setTextColor(const RGBColor& color)
{
    writeLayoutText("text_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getTextColor() const
{
    const auto text = readLayoutText("text_color");
    return text ? LayoutCodec::decodeColor(*text).value_or(kBlack) : kBlack;
}

void DBManager::setLabelShadowColor(const RGBColor& color)
{
    writeLayoutText("label_shadow_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getLabelShadowColor() const
{
    const auto text = readLayoutText("label_shadow_color");
    return text ? LayoutCodec::decodeColor(*text).value_or(kBlack) : kBlack;
}

void DBManager::setTextShadowColor(const RGBColor& color)
{
    writeLayoutText("text_shadow_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getTextShadowColor() const
{
    const auto text = readLayoutText("text_shadow_color");
    return text ? LayoutCodec::decodeColor(*text).value_or(kBlack) : kBlack;
}

void DBManager::setLabelShadow(bool shadow)
{
    writeLayoutInteger("label_shadow", shadow ? 1 : 0);
}

bool DBManager::getLabelShadow() const
{
    return readLayoutInteger("label_shadow").value_or(0) != 0;
}

void DBManager::setTextShadow(bool shadow)
{
    writeLayoutInteger("text_shadow", shadow ? 1 : 0);
}

bool DBManager::getTextShadow() const
{
    return readLayoutInteger("text_shadow").value_or(0) != 0;
}

void DBManager::saveBackground(const std::string& imagePath)
{
    std::optional<std::vector<std::uint8_t>> bytes;
    if (!imagePath.empty()) {
        bytes = FileManager::readFile(imagePath);
        if (!bytes || !Image::decode(*bytes)) {
            devLog("Error DB: background '" + imagePath + "' is not a readable picture");
            return;
        }
    }
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return;
    }
    ImagePtr image;
    if (bytes) {
        SqliteStatement update = db.prepare("update layout_info set bkg_img=?,bkg_length=? where rowid=1");
        if (!update.isValid() || !update.bindBlob(1, bytes->data(), bytes->size()) ||
            !update.bindInt64(2, static_cast<std::int64_t>(bytes->size())) || !update.run()) {
            devLog("Error DB: failed to save background with message '" + db.errorMessage() + "'.");
            return;
        }
        image = std::make_shared<const Image>(*Image::decode(*bytes));
    } else if (!db.exec("update layout_info set bkg_img=0,bkg_length=0 where rowid=1",
                        "failed to remove background")) {
        return;
    }
    if (m_announces) {
        NotificationCenter::defaultCenter().post(kDBBackgroundChangedNotification, this, image);
    }
}

std::optional<Image> DBManager::getBackground() const
{
    SqliteConnection db = connect();
    SqliteStatement select = db.prepare("select bkg_img,bkg_length from layout_info");
    if (!select.isValid() || select.step() != SqliteStatement::Step::Row) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> blob = select.columnBlob(0);
    const std::int64_t length = select.columnInt64(1);
    if (length <= 0 || static_cast<std::uint64_t>(length) > blob.size()) {
        return std::nullopt;
    }
    return Image::decode(blob.data(), static_cast<std::size_t>(length));
}

} // namespace dossiva

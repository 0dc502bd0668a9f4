// The database's dates (general_info) and the look of its record form
// (layout_info).
#include "storage/DBManager.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/ImageLimits.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <cmath>
#include <functional>

namespace dossiva {

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

FormLayout DBManager::readFormLayout(bool withBackground) const
{
    FormLayout layout;
    SqliteConnection db = connect();
    SqliteStatement row =
        db.prepare(std::string("select label_font,text_font,label_color,text_color,label_shadow,"
                               "label_shadow_color,text_shadow,text_shadow_color") +
                   (withBackground ? ",bkg_img,bkg_length" : "") + " from layout_info");
    // A file without the table, or without its row, has the defaults.
    if (!row.isValid() || row.step() != SqliteStatement::Step::Row) {
        return layout;
    }
    const auto text = [&row](int column) {
        return row.isNull(column) ? std::optional<std::string>() : std::optional(row.columnText(column));
    };
    const auto color = [&](int column, RGBColor fallback) {
        const auto stored = text(column);
        return stored ? LayoutCodec::decodeColor(*stored).value_or(fallback) : fallback;
    };
    if (const auto font = text(0)) {
        layout.labelFont = LayoutCodec::decodeFont(*font);
    }
    if (const auto font = text(1)) {
        layout.textFont = LayoutCodec::decodeFont(*font);
    }
    layout.labelColor = color(2, layout.labelColor);
    layout.textColor = color(3, layout.textColor);
    layout.labelShadow = !row.isNull(4) && row.columnInt64(4) != 0;
    layout.labelShadowColor = color(5, layout.labelShadowColor);
    layout.textShadow = !row.isNull(6) && row.columnInt64(6) != 0;
    layout.textShadowColor = color(7, layout.textShadowColor);
    if (withBackground) {
        const std::vector<std::uint8_t> blob = row.columnBlob(8);
        const std::int64_t length = row.columnInt64(9);
        if (length > 0 && static_cast<std::uint64_t>(length) <= blob.size()) {
            if (auto picture = Image::decode(blob.data(), static_cast<std::size_t>(length))) {
                layout.background = std::make_shared<const Image>(std::move(*picture));
            }
        }
    }
    return layout;
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

bool DBManager::writeLayoutText(const char* column, const std::string& value)
{
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return fail(Failure::content("the form's look cannot be stored"));
    }
    SqliteStatement update = db.prepare(std::string("update layout_info set ") + column + "=? where rowid=1");
    if (!update.isValid() || !update.bindText(1, value) || !update.run()) {
        return fail(Failure::content(std::string("the form's ") + column + " cannot be stored"));
    }
    return true;
}

bool DBManager::writeLayoutInteger(const char* column, std::int64_t value)
{
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return fail(Failure::content("the form's look cannot be stored"));
    }
    SqliteStatement update = db.prepare(std::string("update layout_info set ") + column + "=? where rowid=1");
    if (!update.isValid() || !update.bindInt64(1, value) || !update.run()) {
        return fail(Failure::content(std::string("the form's ") + column + " cannot be stored"));
    }
    return true;
}

bool DBManager::setLabelFont(const std::optional<FontSpec>& font)
{
    return writeLayoutText("label_font", font ? LayoutCodec::encodeFont(*font) : std::string());
}

std::optional<FontSpec> DBManager::getLabelFont() const
{
    return readFormLayout(false).labelFont;
}

bool DBManager::setTextFont(const std::optional<FontSpec>& font)
{
    return writeLayoutText("text_font", font ? LayoutCodec::encodeFont(*font) : std::string());
}

std::optional<FontSpec> DBManager::getTextFont() const
{
    return readFormLayout(false).textFont;
}

bool DBManager::setLabelColor(const RGBColor& color)
{
    return writeLayoutText("label_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getLabelColor() const
{
    return readFormLayout(false).labelColor;
}

bool DBManager::setTextColor(const RGBColor& color)
{
    return writeLayoutText("text_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getTextColor() const
{
    return readFormLayout(false).textColor;
}

bool DBManager::setLabelShadowColor(const RGBColor& color)
{
    return writeLayoutText("label_shadow_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getLabelShadowColor() const
{
    return readFormLayout(false).labelShadowColor;
}

bool DBManager::setTextShadowColor(const RGBColor& color)
{
    return writeLayoutText("text_shadow_color", LayoutCodec::encodeColor(color));
}

RGBColor DBManager::getTextShadowColor() const
{
    return readFormLayout(false).textShadowColor;
}

bool DBManager::setLabelShadow(bool shadow)
{
    return writeLayoutInteger("label_shadow", shadow ? 1 : 0);
}

bool DBManager::getLabelShadow() const
{
    return readFormLayout(false).labelShadow;
}

bool DBManager::setTextShadow(bool shadow)
{
    return writeLayoutInteger("text_shadow", shadow ? 1 : 0);
}

bool DBManager::getTextShadow() const
{
    return readFormLayout(false).textShadow;
}

bool DBManager::saveBackground(const std::string& imagePath)
{
    std::optional<std::vector<std::uint8_t>> bytes;
    std::optional<Image> picture;
    if (!imagePath.empty()) {
        bytes = FileManager::readFile(imagePath, kMaxPictureFileBytes);
        if (!bytes) {
            return fail(FileManager::lastFailure());
        }
        picture = Image::decode(*bytes);
        if (!picture) {
            return fail(Failure::content(imagePath + " is not a picture Dossiva can read"));
        }
    }
    SqliteConnection db = connect();
    if (!prepareLayoutRow(db, [this](SqliteConnection& c) { return createLayoutInfoTable(c); })) {
        return fail(Failure::content("the form's background cannot be stored"));
    }
    ImagePtr image;
    if (bytes) {
        SqliteStatement update = db.prepare("update layout_info set bkg_img=?,bkg_length=? where rowid=1");
        if (!update.isValid() || !update.bindBlob(1, bytes->data(), bytes->size()) ||
            !update.bindInt64(2, static_cast<std::int64_t>(bytes->size())) || !update.run()) {
            return fail(Failure::content("the form's background cannot be stored"));
        }
        image = std::make_shared<const Image>(std::move(*picture));
    } else if (!db.exec("update layout_info set bkg_img=0,bkg_length=0 where rowid=1",
                        "failed to remove background")) {
        return fail(Failure::content("the form's background cannot be removed"));
    }
    if (m_announces) {
        NotificationCenter::defaultCenter().post(kDBBackgroundChangedNotification, this, image);
    }
    return true;
}

std::optional<Image> DBManager::getBackground() const
{
    const ImagePtr background = readFormLayout(true).background;
    return background ? std::optional<Image>(*background) : std::nullopt;
}

} // namespace dossiva

#include "platform/DateFormat.h"

#include "platform/Log.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <array>
#include <cmath>
#include <mutex>
#include <span>

namespace dossiva {

namespace {

// Seconds are held exactly as ICU's millisecond doubles only up to 2^53 ms,
// about 285,000 years either side of 1970; further out we refuse rather than
// show a rounded moment.
constexpr std::int64_t kLargestExactSeconds = (std::int64_t{1} << 53) / 1000;

icu::DateFormat::EStyle icuStyle(DateFormat::Style style)
{
    switch (style) {
    case DateFormat::Style::None:
        return icu::DateFormat::kNone;
    case DateFormat::Style::Short:
        return icu::DateFormat::kShort;
    case DateFormat::Style::Medium:
        return icu::DateFormat::kMedium;
    case DateFormat::Style::Long:
        return icu::DateFormat::kLong;
    case DateFormat::Style::Full:
        return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

} // namespace

struct DateFormat::Impl {
    std::unique_ptr<icu::DateFormat> makeFormatter() const;
    // Built on first use, so that setting a zone and a locale after creation
    // costs one ICU formatter, not three.
    icu::DateFormat* formatter();

    bool usesPattern = false;
    std::string pattern;
    Style dateStyle = Style::None;
    Style timeStyle = Style::None;
    std::string zoneId;   // empty: the computer's zone
    std::string localeId; // empty: the computer's locale
    bool stale = true;
    std::unique_ptr<icu::DateFormat> built; // null when ICU refused the settings
    // ICU formatters keep a calendar they change while working, so one object
    // must not format or parse on two threads at once.
    std::mutex mutex;
};

DateFormat::DateFormat(std::unique_ptr<Impl> impl) : m_impl(std::move(impl))
{
}

DateFormat::~DateFormat() = default;
DateFormat::DateFormat(DateFormat&&) noexcept = default;
DateFormat& DateFormat::operator=(DateFormat&&) noexcept = default;

DateFormat DateFormat::withPattern(const std::string& pattern)
{
    auto impl = std::make_unique<Impl>();
    impl->usesPattern = true;
    impl->pattern = pattern;
    return DateFormat(std::move(impl));
}

DateFormat DateFormat::withStyles(Style dateStyle, Style timeStyle)
{
    auto impl = std::make_unique<Impl>();
    impl->dateStyle = dateStyle;
    impl->timeStyle = timeStyle;
    return DateFormat(std::move(impl));
}

DateFormat& DateFormat::setTimeZone(const std::string& zoneId)
{
    if (!m_impl) {
        return *this;
    }
    m_impl->zoneId = zoneId;
    rebuild();
    return *this;
}

DateFormat& DateFormat::setLocale(const std::string& localeId)
{
    if (!m_impl) {
        return *this;
    }
    m_impl->localeId = localeId;
    rebuild();
    return *this;
}

std::unique_ptr<icu::DateFormat> DateFormat::Impl::makeFormatter() const
{
    const icu::Locale locale = localeId.empty() ? icu::Locale::getDefault() : icu::Locale(localeId.c_str());
    if (locale.isBogus()) {
        devLog("DateFormat: unknown locale '" + localeId + "'");
        return nullptr;
    }
    std::unique_ptr<icu::TimeZone> zone(
        zoneId.empty() ? icu::TimeZone::createDefault()
                       : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneId)));
    if (!zone || *zone == icu::TimeZone::getUnknown()) {
        devLog("DateFormat: unknown time zone '" + zoneId + "'");
        return nullptr;
    }

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> result;
    if (usesPattern) {
        result =
            std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), locale, status);
    } else {
        result.reset(
            icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), locale));
    }
    if (!result || U_FAILURE(status)) {
        devLog(std::string("DateFormat: ICU refused the format: ") + u_errorName(status));
        return nullptr;
    }
    result->adoptTimeZone(zone.release());
    result->setLenient(false);

    // ICU only notices pattern letters it does not know when it formats.
    icu::UnicodeString probe;
    result->format(0.0, probe, nullptr, status);
    if (U_FAILURE(status)) {
        devLog("DateFormat: invalid pattern '" + pattern + "': " + u_errorName(status));
        return nullptr;
    }
    return result;
}

icu::DateFormat* DateFormat::Impl::formatter()
{
    if (stale) {
        built = makeFormatter();
        stale = false;
    }
    return built.get();
}

void DateFormat::rebuild()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->built.reset();
    m_impl->stale = true;
}

bool DateFormat::isValid() const
{
    if (!m_impl) {
        return false;
    }
    std::lock_guard lock(m_impl->mutex);
    return m_impl->formatter() != nullptr;
}

std::string DateFormat::format(std::int64_t secondsSince1970) const
{
    if (!m_impl) {
        return {};
    }
    std::lock_guard lock(m_impl->mutex);
    icu::DateFormat* formatter = m_impl->formatter();
    if (formatter == nullptr) {
        return {};
    }
    if (secondsSince1970 > kLargestExactSeconds || secondsSince1970 < -kLargestExactSeconds) {
        devLog("DateFormat: moment out of range: " + std::to_string(secondsSince1970));
        return {};
    }
    const UDate milliseconds = static_cast<double>(secondsSince1970) * 1000.0;
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    formatter->format(milliseconds, text, nullptr, status);
    if (U_FAILURE(status)) {
        devLog(std::string("DateFormat: cannot format: ") + u_errorName(status));
        return {};
    }
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::optional<std::int64_t> DateFormat::parse(const std::string& text) const
{
    if (!m_impl || text.empty()) {
        return std::nullopt;
    }
    std::lock_guard lock(m_impl->mutex);
    icu::DateFormat* formatter = m_impl->formatter();
    if (formatter == nullptr) {
        return std::nullopt;
    }
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition position(0);
    const UDate milliseconds = formatter->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
        return std::nullopt;
    }
    const double seconds = std::trunc(milliseconds / 1000.0);
    if (!std::isfinite(seconds) || seconds > static_cast<double>(kLargestExactSeconds) ||
        seconds < -static_cast<double>(kLargestExactSeconds)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(seconds);
}

namespace {

DateFormat isoFormat(const char* pattern)
{
    DateFormat format = DateFormat::withPattern(pattern);
    format.setLocale("en_US_POSIX");
    return format;
}

std::span<const DateFormat> isoFormats(IsoForm form)
{
    static const std::array<DateFormat, 1> dates = {isoFormat("yyyy-MM-dd")};
    static const std::array<DateFormat, 6> dateTimes = {
        isoFormat("yyyy-MM-dd'T'HH:mm:ssXXX"), isoFormat("yyyy-MM-dd'T'HH:mmXXX"),
        isoFormat("yyyy-MM-dd'T'HH:mm:ss"),    isoFormat("yyyy-MM-dd'T'HH:mm"),
        isoFormat("yyyy-MM-dd HH:mm:ss"),      isoFormat("yyyy-MM-dd HH:mm"),
    };
    static const std::array<DateFormat, 2> times = {isoFormat("HH:mm:ss"), isoFormat("HH:mm")};
    switch (form) {
    case IsoForm::Date:
        return dates;
    case IsoForm::DateAndTime:
        return dateTimes;
    case IsoForm::TimeOfDay:
        return times;
    }
    return {};
}

} // namespace

std::optional<std::int64_t> parseIso8601(const std::string& text, IsoForm form)
{
    for (const DateFormat& format : isoFormats(form)) {
        if (auto seconds = format.parse(text)) {
            return seconds;
        }
    }
    return std::nullopt;
}

namespace {

// The proleptic Gregorian date of a day counted from 1970-01-01.
struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

// The zone's offset from UTC at the moment, in seconds; nullopt when ICU
// cannot tell.
std::optional<std::int64_t> zoneOffset(std::int64_t seconds, const std::string& zoneId)
{
    thread_local std::string cachedId;
    thread_local std::unique_ptr<icu::TimeZone> cached;
    if (!cached || cachedId != zoneId) {
        cached.reset(zoneId.empty() ? icu::TimeZone::createDefault()
                                    : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneId)));
        cachedId = zoneId;
    }
    if (!cached || *cached == icu::TimeZone::getUnknown()) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t raw = 0;
    std::int32_t daylight = 0;
    cached->getOffset(static_cast<UDate>(seconds) * 1000.0, false, raw, daylight, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return (static_cast<std::int64_t>(raw) + daylight) / 1000;
}

// Writes value in exactly width decimal digits, zeros in front; returns
// the end.
char* writeDigits(char* at, unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return at + width;
}

// Dates before the Gregorian reform are Julian in ICU's calendar.
constexpr std::int64_t kFirstGregorianYear = 1583;

} // namespace

std::string formatIso8601(std::int64_t secondsSince1970, const std::string& zoneId)
{
    const std::optional<std::int64_t> offset = zoneOffset(secondsSince1970, zoneId);
    const std::int64_t local = secondsSince1970 + offset.value_or(0);
    const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    const CivilDate date = civilFromDays(days);
    // Offsets with seconds (local mean times of the nineteenth century),
    // Julian dates and years of more than four digits go the long way.
    if (!offset || *offset % 60 != 0 || date.year < kFirstGregorianYear || date.year > 9999) {
        DateFormat pattern = DateFormat::withPattern("yyyy-MM-dd'T'HH:mm:ssXXX");
        pattern.setLocale("en_US_POSIX");
        if (!zoneId.empty()) {
            pattern.setTimeZone(zoneId);
        }
        return pattern.format(secondsSince1970);
    }
    const auto secondOfDay = static_cast<unsigned>(local - days * 86400);
    // Written digit by digit: record listings format two moments a record,
    // and printf's parsing of its pattern was a tenth of a listing's time.
    std::string text(*offset == 0 ? 20 : 25, '\0');
    char* end = writeDigits(text.data(), static_cast<unsigned>(date.year), 4);
    *end++ = '-';
    end = writeDigits(end, date.month, 2);
    *end++ = '-';
    end = writeDigits(end, date.day, 2);
    *end++ = 'T';
    end = writeDigits(end, secondOfDay / 3600, 2);
    *end++ = ':';
    end = writeDigits(end, secondOfDay / 60 % 60, 2);
    *end++ = ':';
    end = writeDigits(end, secondOfDay % 60, 2);
    if (*offset == 0) {
        *end = 'Z';
    } else {
        const auto minutes = static_cast<unsigned>((*offset < 0 ? -*offset : *offset) / 60);
        *end++ = *offset < 0 ? '-' : '+';
        end = writeDigits(end, minutes / 60, 2);
        *end++ = ':';
        writeDigits(end, minutes % 60, 2);
    }
    return text;
}

} // namespace dossiva

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

} // namespace dossiva

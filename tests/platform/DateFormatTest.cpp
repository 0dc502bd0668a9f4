#include "platform/DateFormat.h"

#include "support/LogCapture.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace dossiva {
namespace {

DateFormat patternIn(const std::string& pattern, const std::string& zone, const std::string& locale = "en_US")
{
    DateFormat format = DateFormat::withPattern(pattern);
    format.setTimeZone(zone).setLocale(locale);
    return format;
}

DateFormat stylesIn(DateFormat::Style date, DateFormat::Style time, const std::string& locale)
{
    DateFormat format = DateFormat::withStyles(date, time);
    format.setTimeZone("UTC").setLocale(locale);
    return format;
}

constexpr std::int64_t kNov2023 = 1700000000; // 2023-11-14 22:13:20 UTC
constexpr std::int64_t kJun2023 = 1688000000; // 2023-06-29 00:53:20 UTC, summer time in New York
constexpr std::int64_t kYear1800 = -5364662400;
constexpr std::int64_t kYear2100 = 4102444800;

struct PatternCase {
    const char* pattern;
    const char* zone;
    const char* locale;
    std::int64_t seconds;
    const char* expected;
};

TEST(DateFormatTest, FormatsPatternsInTheGivenZoneAndLocale)
{
    const std::vector<PatternCase> cases = {
        {"d MMMM yyyy", "UTC", "en_US", 0, "1 January 1970"},
        {"d MMMM yyyy", "UTC", "fr_FR", 0, "1 janvier 1970"},
        {"d MMMM yyyy", "America/New_York", "en_US", 0, "31 December 1969"},
        {"d MMMM yyyy", "UTC", "en_US", kNov2023, "14 November 2023"},
        {"HH:mm", "UTC", "en_US", kNov2023, "22:13"},
        {"HH:mm", "America/New_York", "en_US", kNov2023, "17:13"},
        {"HH:mm", "America/New_York", "en_US", kJun2023, "20:53"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", -1, "1969-12-31 23:59:59"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", kYear1800, "1800-01-01 00:00:00"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", kYear2100, "2100-01-01 00:00:00"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", kYear2100 + 59, "2100-01-01 00:00:59"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", std::int64_t{1} << 31, "2038-01-19 03:14:08"},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "en_US", 253402300799, "9999-12-31 23:59:59"},
        {"d MMMM yyyy   HH:mm", "UTC", "en_US", kNov2023, "14 November 2023   22:13"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + c.zone + " " + c.locale + " " +
                     std::to_string(c.seconds));
        const DateFormat format = patternIn(c.pattern, c.zone, c.locale);
        ASSERT_TRUE(format.isValid());
        EXPECT_EQ(format.format(c.seconds), c.expected);
    }
}

struct StyleCase {
    DateFormat::Style date;
    DateFormat::Style time;
    const char* locale;
    const char* expected;
};

TEST(DateFormatTest, FormatsTheLocalesStyles)
{
    using Style = DateFormat::Style;
    const std::vector<StyleCase> cases = {
        {Style::Short, Style::None, "en_US", "11/14/23"},
        {Style::Long, Style::None, "en_US", "November 14, 2023"},
        {Style::None, Style::Short, "en_US", "10:13\u202FPM"},
        {Style::Short, Style::None, "fr_FR", "14/11/2023"},
        {Style::Long, Style::None, "fr_FR", "14 novembre 2023"},
        {Style::None, Style::Short, "fr_FR", "22:13"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const DateFormat format = stylesIn(c.date, c.time, c.locale);
        ASSERT_TRUE(format.isValid());
        EXPECT_EQ(format.format(kNov2023), c.expected);
    }
}

TEST(DateFormatTest, ShortStylesRoundTripToTheMinute)
{
    const DateFormat format = stylesIn(DateFormat::Style::Short, DateFormat::Style::Short, "en_US");
    const std::int64_t wholeMinute = kNov2023 - kNov2023 % 60;
    EXPECT_EQ(format.parse(format.format(wholeMinute)), wholeMinute);
}

struct ParseCase {
    const char* pattern;
    const char* zone;
    const char* text;
    std::optional<std::int64_t> expected;
};

TEST(DateFormatTest, ParsesStrictly)
{
    const std::vector<ParseCase> cases = {
        {"d MMMM yyyy", "UTC", "14 November 2023", kNov2023 - 80000},
        {"d MMMM yyyy", "America/New_York", "1 January 1970", 5 * 3600},
        {"HH:mm", "UTC", "13:05", 13 * 3600 + 5 * 60},
        {"HH:mm", "America/New_York", "13:05", 18 * 3600 + 5 * 60},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "1800-01-01 00:00:00", kYear1800},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "2100-01-01 00:00:00", kYear2100},
        {"yyyy-MM-dd HH:mm:ss", "America/New_York", "2023-06-28 20:53:20", kJun2023},
        // Fractions go toward zero, on both sides of 1970.
        {"yyyy-MM-dd HH:mm:ss.SSS", "UTC", "1970-01-01 00:00:01.999", 1},
        {"yyyy-MM-dd HH:mm:ss.SSS", "UTC", "1969-12-31 23:59:59.500", 0},
        {"yyyy-MM-dd HH:mm:ss.SSS", "UTC", "1969-12-31 23:59:58.250", -1},
        // Refusals: nothing, trailing or leading text, impossible dates and times.
        {"d MMMM yyyy", "UTC", "", std::nullopt},
        {"d MMMM yyyy", "UTC", "14 November 2023 and more", std::nullopt},
        {"d MMMM yyyy", "UTC", "14 November 2023 ", std::nullopt},
        {"d MMMM yyyy", "UTC", "on 14 November 2023", std::nullopt},
        {"d MMMM yyyy", "UTC", "31 February 2023", std::nullopt},
        {"d MMMM yyyy", "UTC", "14 Novembre 2023", std::nullopt},
        {"HH:mm", "UTC", "25:00", std::nullopt},
        {"HH:mm", "UTC", "12:61", std::nullopt},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "2023-02-29 00:00:00", std::nullopt},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "2023-11-14", std::nullopt},
        {"yyyy-MM-dd HH:mm:ss", "UTC", "\xFF\xFE", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " '" + c.text + "'");
        EXPECT_EQ(patternIn(c.pattern, c.zone).parse(c.text), c.expected);
    }
}

TEST(DateFormatTest, RoundTripsFarFromNineteenSeventy)
{
    const std::vector<std::int64_t> moments = {
        kYear1800 - 1,
        kYear1800 + 1,
        -2208988800 /* 1900 */,
        -(std::int64_t{1} << 31) - 1,
        (std::int64_t{1} << 31) + 1,
        kYear2100 + 12345,
        32503680000 /* 3000 */,
        -62135596800 /* year 1 */,
    };
    for (const char* zone : {"UTC", "America/New_York"}) {
        const DateFormat format = patternIn("yyyy-MM-dd HH:mm:ss", zone);
        for (const std::int64_t seconds : moments) {
            SCOPED_TRACE(std::string(zone) + " " + std::to_string(seconds));
            EXPECT_EQ(format.parse(format.format(seconds)), seconds);
        }
    }
}

TEST(DateFormatTest, AgreesWithPythonsZoneInfoInNewYork)
{
    const std::vector<std::int64_t> moments = {
        kYear1800,  -2208988800, -1,        0, kJun2023, kNov2023, 1710054000 /* DST starts */,
        1730613600, kYear2100,   4118083200 /* mid-2100 */};
    std::string arguments;
    for (const std::int64_t seconds : moments) {
        arguments += std::to_string(seconds) + " ";
    }
    const std::string script =
        "import sys\n"
        "from datetime import datetime\n"
        "from zoneinfo import ZoneInfo\n"
        "zone = ZoneInfo('America/New_York')\n"
        "for s in sys.argv[1].split():\n"
        "    print(datetime.fromtimestamp(int(s), zone).strftime('%Y-%m-%d %H:%M:%S'))\n";
    std::string output;
    ASSERT_EQ(test::runPython(script, {arguments}, output), 0);
    std::istringstream lines(output);
    const DateFormat format = patternIn("yyyy-MM-dd HH:mm:ss", "America/New_York");
    for (const std::int64_t seconds : moments) {
        std::string expected;
        ASSERT_TRUE(std::getline(lines, expected));
        EXPECT_EQ(format.format(seconds), expected) << seconds;
    }
}

TEST(DateFormatTest, RefusesWhatICUCannotUseAndSaysWhy)
{
    const test::LogCapture log;
    EXPECT_FALSE(patternIn("yyyy jj", "UTC").isValid());
    const DateFormat unknownZone = patternIn("d MMMM yyyy", "Mars/Olympus_Mons");
    EXPECT_FALSE(unknownZone.isValid());
    EXPECT_EQ(unknownZone.format(0), "");
    EXPECT_EQ(unknownZone.parse("1 January 1970"), std::nullopt);
    ASSERT_EQ(log.messages().size(), 2u);
    EXPECT_TRUE(log.mentions("yyyy jj"));
    EXPECT_TRUE(log.mentions("Mars/Olympus_Mons"));
}

TEST(DateFormatTest, MomentsBeyondExactRangeFormatAsEmpty)
{
    const test::LogCapture quiet;
    const DateFormat format = patternIn("yyyy-MM-dd HH:mm:ss", "UTC");
    EXPECT_EQ(format.format(std::numeric_limits<std::int64_t>::max()), "");
    EXPECT_EQ(format.format(std::numeric_limits<std::int64_t>::min()), "");
}

TEST(DateFormatTest, MovedFormatKeepsWorking)
{
    DateFormat first = patternIn("HH:mm", "UTC");
    DateFormat second = std::move(first);
    EXPECT_EQ(second.format(kNov2023), "22:13");
    first = patternIn("d MMMM yyyy", "UTC");
    EXPECT_EQ(first.format(0), "1 January 1970");
}

// The quick ISO form must give exactly the pattern's text: across daylight
// saving changes, half-hour zones, west of UTC, before 1970, around the
// Gregorian reform and at the ends of the four-digit years.
TEST(DateFormatTest, QuickIsoTextIsThePatternsText)
{
    // clang-format off
    const char* const zones[] = {"UTC", "Europe/Paris", "America/St_Johns", "Asia/Kolkata", "Pacific/Chatham",
                                 "America/Los_Angeles", "Europe/Amsterdam"};
    const std::int64_t moments[] = {
        0, -1, 1,                                       // around 1970
        1711846799, 1711846800, 1729990799, 1729990800, // European summer time 2024 begins and ends
        951782400, -86400,                              // 29 February 2000, 31 December 1969
        -2208988800, -2208988801,                       // 1900
        -12219292800, -12219292801,                     // the Gregorian reform, 15 October 1582
        -62135596800, 253402214400, 253402300799,       // the first and the last day of the four digits
        4102444800, -30610224000,                       // 2100 and 1000
    };
    // clang-format on
    for (const char* zone : zones) {
        DateFormat pattern = DateFormat::withPattern("yyyy-MM-dd'T'HH:mm:ssXXX");
        pattern.setLocale("en_US_POSIX").setTimeZone(zone);
        for (const std::int64_t moment : moments) {
            EXPECT_EQ(formatIso8601(moment, zone), pattern.format(moment)) << zone << " " << moment;
        }
    }
}

} // namespace
} // namespace dossiva

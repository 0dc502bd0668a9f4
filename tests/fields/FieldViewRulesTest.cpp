// The rules the record form shares with the list and the command line:
// the addresses links and e-mails open, the large text field's height, the
// password guard's option and the way dates read.
#include "fields/DateDisplay.h"
#include "fields/FieldAddresses.h"
#include "fields/LargeTextHeight.h"
#include "fields/PasswordGuard.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dossiva {
namespace {

using test::PrintTo;

struct LinkCase {
    const char* name;
    const char* typed;
    std::optional<std::string> opened;
};

class LinkUrlTest : public testing::TestWithParam<LinkCase> {};

TEST_P(LinkUrlTest, OpensTheTextWithHttpOnlyWhenItHasNoScheme)
{
    EXPECT_EQ(FieldAddresses::linkUrl(GetParam().typed), GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkUrlTest,
    testing::Values(LinkCase{"BareHostGetsHttp", "example.com", "http://example.com"},
                    LinkCase{"HttpAsTyped", "http://example.com/a?b=1", "http://example.com/a?b=1"},
                    LinkCase{"HttpsAsTyped", "https://x", "https://x"},
                    LinkCase{"SchemeInCapitalsAsTyped", "HTTPS://Example.com", "HTTPS://Example.com"},
                    LinkCase{"FtpAsTyped", "ftp://files.example.com", "ftp://files.example.com"},
                    LinkCase{"MailtoAsTyped", "mailto:ann@example.com", "mailto:ann@example.com"},
                    LinkCase{"HostAndPortGetsHttp", "localhost:8080/a", "http://localhost:8080/a"},
                    LinkCase{"PathWithColonGetsHttp", "example.com/a:b", "http://example.com/a:b"},
                    LinkCase{"BlanksAroundDropped", "  example.com \n", "http://example.com"},
                    LinkCase{"LocalFileRefused", "file:///etc/passwd", std::nullopt},
                    LinkCase{"ScriptRefused", "javascript:alert(1)", std::nullopt},
                    LinkCase{"EmptyRefused", "", std::nullopt},
                    LinkCase{"BlanksOnlyRefused", "   ", std::nullopt}),
    test::NameOfCase());

TEST(EmailUrlTest, WritesToTheAddressAsTyped)
{
    EXPECT_EQ(FieldAddresses::emailUrl("ann@example.com"), "mailto:ann@example.com");
}

struct GrowthCase {
    const char* name;
    int textHeight;
    int requested;
    int allowed;
};

class LargeTextGrowthTest : public testing::TestWithParam<GrowthCase> {};

TEST_P(LargeTextGrowthTest, NeverGoesBelowTheFloor)
{
    const GrowthCase& c = GetParam();
    EXPECT_EQ(LargeTextHeight::allowedChange(c.textHeight, c.requested), c.allowed);
}

INSTANTIATE_TEST_SUITE_P(Steps, LargeTextGrowthTest,
                         testing::Values(GrowthCase{"Taller", 200, 50, 50},
                                         GrowthCase{"ShorterAboveTheFloor", 200, -50, -50},
                                         GrowthCase{"DownToTheFloorExactly", 200, -83, -83},
                                         GrowthCase{"PastTheFloorStopsThere", 200, -100, -83},
                                         GrowthCase{"AtTheFloorNothing", 117, -10, 0},
                                         GrowthCase{"AtTheFloorTaller", 117, 1, 1}),
                         test::NameOfCase());

TEST(LargeTextHeightTest, ReadsAndWritesTheHeightAsTheStructuresFirstElement)
{
    using PL = PropertyList;
    EXPECT_EQ(LargeTextHeight::storedHeight(PL::array()), std::nullopt);
    EXPECT_EQ(LargeTextHeight::storedHeight(PL(PL::Array{PL(250.5)})), 250.5);
    EXPECT_EQ(LargeTextHeight::storedHeight(PL(PL::Array{PL(std::int64_t{300})})), 300.0);
    EXPECT_EQ(LargeTextHeight::storedHeight(PL(PL::Array{PL("tall")})), std::nullopt);
    EXPECT_EQ(LargeTextHeight::storedHeight(PL(PL::Array{PL(-5.0)})), std::nullopt);
    EXPECT_EQ(LargeTextHeight::storedHeight(PL::dictionary()), std::nullopt);

    EXPECT_EQ(LargeTextHeight::withHeight(PL::array(), 180), PL(PL::Array{PL(180.0)}));
    EXPECT_EQ(LargeTextHeight::withHeight(PL(PL::Array{PL(100.0), PL("kept")}), 180),
              PL(PL::Array{PL(180.0), PL("kept")}));
    EXPECT_EQ(LargeTextHeight::withHeight(PL::dictionary(), 180), PL(PL::Array{PL(180.0)}));
}

TEST(PasswordGuardTest, ReadsTheAskOptionOfAnyStructure)
{
    using PL = PropertyList;
    EXPECT_TRUE(PasswordGuard::askOption(PL(PL::Dictionary{{"Ask", PL(true)}})));
    EXPECT_FALSE(PasswordGuard::askOption(PL(PL::Dictionary{{"Ask", PL(false)}})));
    EXPECT_FALSE(PasswordGuard::askOption(PL::dictionary()));
    EXPECT_FALSE(PasswordGuard::askOption(PL(PL::Array{PL(true)})));
}

// Formats in a fixed locale and zone, whatever the machine's.
std::string shown(DateFormat format, std::int64_t seconds)
{
    format.setLocale("en_US").setTimeZone("UTC");
    return DateDisplay::text(format, seconds);
}

TEST(DateDisplayTest, EachDateTypeShowsItsShortStyles)
{
    const std::int64_t moment = 86400 + 13 * 3600 + 5 * 60; // 2 January 1970, 13:05
    EXPECT_EQ(shown(DateDisplay::fieldFormat(4), moment), "1/2/70");
    EXPECT_EQ(shown(DateDisplay::fieldFormat(5), moment), "1:05\u202FPM");
    EXPECT_EQ(shown(DateDisplay::fieldFormat(6), moment), "1/2/70, 1:05\u202FPM");
}

TEST(DateDisplayTest, RecordDatesReadFarOutsideThe32BitRange)
{
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "1 January 1970   00:00"},
        {-2208988800, "1 January 1900   00:00"},
        {4102444800 + 3600 + 60, "1 January 2100   01:01"},
        {253402300800, "1 January 10000   00:00"},
        // Beyond any calendar: the count itself rather than nothing.
        {10'000'000'000'000'000, "10000000000000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(DateDisplay::recordDateFormat(), c.seconds), c.text) << c.seconds;
    }
}

TEST(DateDisplayTest, StoredValuesAndRecordDatesGiveTheirMoments)
{
    EXPECT_EQ(DateDisplay::storedMoment(4, FieldValue::text(""), 5), std::nullopt);
    EXPECT_EQ(DateDisplay::storedMoment(5, FieldValue::text("-86400"), 5), -86400);
    EXPECT_EQ(DateDisplay::storedMoment(6, FieldValue::dateTime("", ""), 5), std::nullopt);
    EXPECT_EQ(DateDisplay::storedMoment(6, FieldValue::dateTime("86400", "3600"), 5), 90000);

    Record record;
    EXPECT_EQ(DateDisplay::createdMoment(record), std::nullopt);
    EXPECT_EQ(DateDisplay::modifiedMoment(record), std::nullopt);
    record.created = "0";
    record.modified = "0";
    EXPECT_EQ(DateDisplay::createdMoment(record), 0);
    EXPECT_EQ(DateDisplay::modifiedMoment(record), std::nullopt) << "0 is a record never modified";
    record.modified = "1700000000";
    EXPECT_EQ(DateDisplay::modifiedMoment(record), 1700000000);
    EXPECT_EQ(DateDisplay::recordDateText(DateDisplay::recordDateFormat(), std::nullopt), "");
}

} // namespace
} // namespace dossiva

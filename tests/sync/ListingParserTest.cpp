#include "sync/ListingParser.h"

#include "platform/Clock.h"
#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>

namespace dossiva {
namespace {

using namespace std::string_literals;
using test::PrintTo;

std::int64_t utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm parts{.tm_sec = second,
                  .tm_min = minute,
                  .tm_hour = hour,
                  .tm_mday = day,
                  .tm_mon = month - 1,
                  .tm_year = year - 1900};
    return static_cast<std::int64_t>(::timegm(&parts));
}

// 15 June 2024, noon UTC: listings with a time of day and no year are read
// against it.
const double kNow = static_cast<double>(utc(2024, 6, 15, 12, 0));

struct NameCase {
    const char* name;
    std::string line;
    std::optional<std::string> found; // nullopt: not recognised
};

class ListLineNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(ListLineNameTest, FindsTheNameOrRejectsTheLine)
{
    const NameCase& c = GetParam();
    ListLineInfo info;
    const bool recognised = ListingParser::parseListLine(c.line, info);
    ASSERT_EQ(recognised, c.found.has_value());
    if (recognised) {
        ASSERT_LE(info.nameStart + info.nameLength, c.line.size());
        EXPECT_EQ(c.line.substr(info.nameStart, info.nameLength), *c.found);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ListLineNameTest, testing::Values(
    // Unix
    NameCase{"blanks inside the name are kept", "-rw-r--r-- 1 mobile mobile 2048 Mar 3 10:12 Address Book.dossiva\n",
        "Address Book.dossiva\n"},
    NameCase{"a second blank before the name belongs to it",
        "-rw-r--r-- 1 mobile mobile 2048 Mar 3 10:12  Address Book.dossiva\n", " Address Book.dossiva\n"},
    NameCase{"a link ends before its arrow", "lrwxrwxrwx 1 a b 4 Mar 3 10:12 link -> target\n", "link"},
    NameCase{"only links lose their arrow", "-rw-r--r-- 1 a b 4 Mar 3 10:12 a -> b\n", "a -> b\n"},
    NameCase{"a year instead of a time", "drwxr-xr-x 2 a b 4096 Nov 16 2009 CORE\n", "CORE\n"},
    NameCase{"a time with a one-digit hour", "-rw-r--r-- 1 a b 7 Mar 3 9:05 early\n", "early\n"},
    NameCase{"a single owner column", "drwxr-xr-x folder 0 Mar 3 10:12 Notes\n", "Notes\n"},
    NameCase{"one column more", "-rw-r--r-- 1 owner group extra 12 Mar 3 10:12 f\n", "f\n"},
    NameCase{"the group column missing", "-rw-r--r-- 1 owner 12 Mar 3 10:12 f\n", "f\n"},
    NameCase{"months match in upper case", "-rw-r--r-- 1 a b 12 MAR 3 10:12 f\n", "f\n"},
    NameCase{"months match letter by letter", "-rw-r--r-- 1 a b 12 mAr 3 10:12 f\n", "f\n"},
    NameCase{"no month in the table", "-rw-r--r-- 1 a b 12 Mrz 3 10:12 f\n", std::nullopt},
    NameCase{"a year field of three characters", "-rw-r--r-- 1 a b 12 Mar 3 201 f\n", std::nullopt},
    NameCase{"the line ends after the time", "-rw-r--r-- 1 a b 12 Mar 3 10:12\n", std::nullopt},
    NameCase{"three leading blanks dropped after a blank second character", "- 1 a b 12 Mar 3 10:12    name\n",
        "name\n"},
    NameCase{"three leading blanks dropped after a bracket", "d[RWCEAFMS] 1 a b 12 Mar 3 10:12    dir\n", "dir\n"},
    NameCase{"three leading blanks kept otherwise", "-rw-r--r-- 1 a b 12 Mar 3 10:12    name\n", "   name\n"},
    NameCase{"a permissions field alone", "-\n", std::nullopt},
    // EPLF
    NameCase{"EPLF", "+i8388621.48594,m825718503,r,s280,\tdjb.html\n", "djb.html\n"},
    NameCase{"EPLF without a tab", "+i8388621.48594,m825718503,r,s280, djb.html\n", std::nullopt},
    // VMS
    NameCase{"a VMS directory loses .DIR", "CORE.DIR;1  1  16-NOV-2009 12:00 [SYSTEM] (RWE,RWE,RE,RE)\n", "CORE"},
    NameCase{"a VMS file with seconds", "README.TXT;3  5  16-Nov-2009 12:00:31 [X]\n", "README.TXT"},
    NameCase{"a VMS name no longer than .DIR", ".DIR;1  1  16-NOV-2009 12:00 [S]\n", ".DIR"},
    NameCase{"a VMS month not in the table", "CORE.DIR;1  1  16-XYZ-2009 12:00 [SYSTEM]\n", std::nullopt},
    NameCase{"a VMS line ending after the minutes", "CORE.DIR;1  1  16-NOV-2009 12:00\n", std::nullopt},
    NameCase{"a VMS line ending after the name", "CORE.DIR;1\n", std::nullopt},
    // DOS
    NameCase{"a DOS directory", "03-04-09  10:12AM       <DIR>          Notes\n", "Notes\n"},
    NameCase{"a DOS file with blanks in its name", "03-04-2009  01:05PM  1234 notes one.txt\n", "notes one.txt\n"},
    NameCase{"a DOS time without M", "03-04-09  10:12A   <DIR>   Notes\n", "Notes\n"},
    NameCase{"a DOS time without AM or PM", "03-04-09  10:12XM <DIR> Notes\n", std::nullopt},
    NameCase{"a DOS line without a name", "03-04-09  10:12AM <DIR>\n", std::nullopt},
    // Neither
    NameCase{"a summary line", "total 12\n", std::nullopt},
    NameCase{"a line of one byte", "-", std::nullopt}),
    test::NameOfCase());
// clang-format on

struct ResourceCase {
    const char* name;
    std::string line;
    std::optional<int> type; // nullopt: no entry
    std::optional<std::int64_t> date;
};

class ListResourceTest : public testing::TestWithParam<ResourceCase> {};

TEST_P(ListResourceTest, TellsKindAndDate)
{
    const ResourceCase& c = GetParam();
    ScopedClockOverride clock(kNow);
    std::optional<ListResource> resource;
    ASSERT_EQ(ListingParser::parseResourceLine(c.line + "more\n", resource),
              static_cast<long>(c.line.size()));
    ASSERT_EQ(resource.has_value(), c.type.has_value());
    if (resource) {
        EXPECT_EQ(resource->type, *c.type);
        EXPECT_EQ(resource->date, c.date);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ListResourceTest, testing::Values(
    ResourceCase{"summary", "total 12\n", std::nullopt, std::nullopt},
    ResourceCase{"not a mode", "dir listing follows\n", std::nullopt, std::nullopt},
    ResourceCase{"directory this year", "drwxr-xr-x 2 a b 4096 Mar 3 10:12 Notes.dossiva\n", 4,
        utc(2024, 3, 3, 10, 12)},
    ResourceCase{"a time past today is last year", "-rw-r--r-- 1 a b 10 Dec 24 23:59 f\n", 8,
        utc(2023, 12, 24, 23, 59)},
    ResourceCase{"clocks a little ahead stay this year", "-rw-r--r-- 1 a b 10 Jun 16 11:00 f\n", 8,
        utc(2024, 6, 16, 11, 0)},
    ResourceCase{"year", "-rw-r--r-- 1 a b 10 Nov 16 2009 f\n", 8, utc(2009, 11, 16)},
    ResourceCase{"link", "lrwxrwxrwx 1 a b 4 Jun 15 11:00 l -> t\n", 10, utc(2024, 6, 15, 11, 0)},
    ResourceCase{"no such day", "-rw-r--r-- 1 a b 10 Feb 30 2009 f\n", 8, std::nullopt},
    ResourceCase{"access list mark", "drwxr-xr-x+ 2 a b 4096 Mar 3 10:12 x\n", 4, utc(2024, 3, 3, 10, 12)},
    ResourceCase{"EPLF directory", "+/,m825718503,\tpub\n", 4, 825718503},
    ResourceCase{"EPLF file without a date", "+r,s280,\tdjb.html\n", 8, std::nullopt},
    ResourceCase{"EPLF without a tab", "+r,s280, djb.html\n", std::nullopt, std::nullopt},
    ResourceCase{"DOS directory", "03-04-09  10:12AM  <DIR>  Notes\n", 4, utc(2009, 3, 4, 10, 12)},
    ResourceCase{"DOS file, last century, afternoon", "12-31-99 12:30PM 10 a.txt\n", 8, utc(1999, 12, 31, 12, 30)},
    ResourceCase{"DOS file, four-digit year, past midnight", "01-02-2010 12:05AM 1 b\n", 8, utc(2010, 1, 2, 0, 5)},
    ResourceCase{"VMS directory", "CORE.DIR;1  1  16-NOV-2009 12:00 [S] (R)\n", 4, utc(2009, 11, 16, 12, 0)},
    ResourceCase{"VMS file with seconds", "A.TXT;2  3  1-JAN-2010 08:30:15 [S]\n", 8, utc(2010, 1, 1, 8, 30, 15)}),
    test::NameOfCase());
// clang-format on

TEST(ListResourceTest, ConsumesOneLineAtATime)
{
    std::optional<ListResource> resource;
    EXPECT_EQ(ListingParser::parseResourceLine("", resource), 0);
    EXPECT_EQ(ListingParser::parseResourceLine("total 1", resource), 7) << "a last line without \\n";
    EXPECT_FALSE(resource);
    EXPECT_EQ(ListingParser::parseResourceLine("-rw-r--r-- 1 a b 1 Mar 3 10:12 a\0b\n"s, resource), -1);
}

using Entries = std::vector<std::pair<std::string, int>>; // name and type

struct ListingCase {
    const char* name;
    std::string listing;
    std::optional<Entries> entries;
};

class ParseListTest : public testing::TestWithParam<ListingCase> {};

TEST_P(ParseListTest, GivesTheEntriesInOrder)
{
    const ListingCase& c = GetParam();
    ScopedClockOverride clock(kNow);
    const auto entries = ListingParser::parseList(c.listing);
    ASSERT_EQ(entries.has_value(), c.entries.has_value());
    if (!entries) {
        return;
    }
    Entries got;
    for (const auto& entry : *entries) {
        got.emplace_back(entry.name, entry.type);
    }
    EXPECT_EQ(got, *c.entries);
}

const std::string kDir = "drwxr-xr-x 2 mobile mobile 4096 Mar 3 10:12 ";
const std::string kFile = "-rw-r--r-- 1 mobile mobile 2048 Mar 3 10:12 ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Listings, ParseListTest, testing::Values(
    ListingCase{"empty", "", Entries{}},
    ListingCase{"only the first line", "total 0\n", Entries{}},
    ListingCase{"the first line is skipped even as an entry", kDir + "First.dossiva\n" + kDir + "Second.dossiva\n",
        Entries{{"Second.dossiva", 4}}},
    ListingCase{"summaries and unknown lines are passed over",
        "total 3\n" + kDir + "Notes.dossiva\ntotal 9\n" + kFile + "Notes.dossiva\nwhatever\n",
        Entries{{"Notes.dossiva", 4}, {"Notes.dossiva", 8}}},
    ListingCase{"an entry without a name is skipped", "total 2\n-rw-r--r-- 1 a b 12 Mar 3 10:12\n" + kFile + "kept\n",
        Entries{{"kept", 8}}},
    ListingCase{"a last line without \\n counts", "total 1\n" + kFile + "last", Entries{{"last", 8}}},
    ListingCase{"names keep their blanks", "total 1\n" + kDir + " Address Book.dossiva \n",
        Entries{{" Address Book.dossiva ", 4}}},
    ListingCase{"a NUL byte rejects the listing", "total 1\n" + kFile + "a\0b\n"s, std::nullopt}),
    test::NameOfCase());
// clang-format on

TEST(ParseListTest, DatesDefaultTo1970AndNamesStopAt2047Bytes)
{
    ScopedClockOverride clock(kNow);
    const std::string longName(3000, 'n');
    const auto entries = ListingParser::parseList("total 2\n-rw-r--r-- 1 a b 10 Feb 30 2009 undated\n" +
                                                  kFile + longName + "\n");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, "undated");
    EXPECT_EQ((*entries)[0].date, 0);
    EXPECT_EQ((*entries)[1].name, std::string(2047, 'n'));
    EXPECT_EQ((*entries)[1].date, utc(2024, 3, 3, 10, 12));
}

} // namespace
} // namespace dossiva

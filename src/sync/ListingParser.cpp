#include "sync/ListingParser.h"

#include "platform/Clock.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace dossiva {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::string_view kUnixKinds = "bcdlps-";
constexpr std::int64_t kSecondsPerDay = 86400;
// Names are copied into 2048 bytes with their terminating NUL.
constexpr std::size_t kMaxNameBytes = 2047;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A month matches position by position in its lower-case spelling or the
// upper-case form of each letter, so "Jan", "JAN" and "jAn" all match.
int monthIndex(std::string_view field)
{
    if (field.size() != 3) {
        return -1;
    }
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        bool same = true;
        for (std::size_t i = 0; i < 3 && same; ++i) {
            same = field[i] == kMonths[m][i] || field[i] == upper(kMonths[m][i]);
        }
        if (same) {
            return static_cast<int>(m);
        }
    }
    return -1;
}

// The next run of characters that are neither blanks nor the line end,
// starting at pos; pos moves just past it. Empty at the end of the line.
std::string_view nextField(std::string_view line, std::size_t& pos)
{
    while (pos < line.size() && line[pos] == ' ') {
        ++pos;
    }
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\n') {
        ++pos;
    }
    return line.substr(start, pos - start);
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    for (std::string_view field = nextField(line, pos); !field.empty(); field = nextField(line, pos)) {
        fields.push_back(field);
    }
    return fields;
}

bool skipBlanks(std::string_view line, std::size_t& pos)
{
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] == ' ') {
        ++pos;
    }
    return pos > start;
}

bool skipDigits(std::string_view line, std::size_t& pos)
{
    const std::size_t start = pos;
    while (pos < line.size() && isDigit(line[pos])) {
        ++pos;
    }
    return pos > start;
}

bool skipChar(std::string_view line, std::size_t& pos, char wanted)
{
    if (pos < line.size() && line[pos] == wanted) {
        ++pos;
        return true;
    }
    return false;
}

// Reads digits (at most nine, so the value fits) and the separator that
// must follow them, if any.
bool readNumber(std::string_view text, std::size_t& pos, int& value)
{
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && isDigit(text[pos]) && pos - start < 9) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start && (pos == text.size() || !isDigit(text[pos]));
}

// --- names ---------------------------------------------------------------

// "+i8388621.48594,m825718503,r,s280,\tdjb.html": the name follows the tab.
bool parseEplfName(std::string_view line, ListLineInfo& info)
{
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return false;
    }
    info.nameStart = tab + 1;
    info.nameLength = line.size() - info.nameStart;
    return true;
}

// Walks permissions, links, owner, group, size, month, day and year-or-time;
// the name is whatever follows the single blank after the last of them.
bool parseUnixName(std::string_view line, ListLineInfo& info)
{
    int state = 1;
    std::size_t pos = 0;
    while (state < 8) {
        const std::string_view field = nextField(line, pos);
        if (field.empty()) {
            return false;
        }
        switch (state) {
        case 1:
            state = 2;
            break;
        case 2:
            // One owner column only, as some servers list it.
            state = field.size() == 6 && field[0] == 'f' ? 4 : 3;
            break;
        case 3:
        case 4:
        case 6:
            ++state;
            break;
        case 5:
            // Anything before the month is a size; this absorbs listings with
            // one owner or group column more or less.
            if (monthIndex(field) >= 0) {
                state = 6;
            }
            break;
        default:
            // A time of day ("9:05", "10:12") or a year ("2009"): either way
            // at least four characters.
            if (field.size() < 4 || pos >= line.size() || line[pos] != ' ') {
                return false;
            }
            info.nameStart = pos + 1;
            info.nameLength = line.size() - info.nameStart;
            state = 8;
            break;
        }
    }
    if (line[0] == 'l') {
        const std::size_t arrow = line.substr(info.nameStart, info.nameLength).find(" -> ");
        if (arrow != std::string_view::npos) {
            info.nameLength = arrow;
        }
    }
    if ((line[1] == ' ' || line[1] == '[') && info.nameLength >= 4 &&
        line.substr(info.nameStart, 3) == "   ") {
        info.nameStart += 3;
        info.nameLength -= 3;
    }
    return true;
}

// After "NAME;VERSION": blanks, a size field, blanks, DD-MON-YYYY, a blank,
// HH:MM and then a blank or ':'.
bool vmsDateFollows(std::string_view line, std::size_t pos)
{
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\n') {
        ++pos;
    }
    if (!skipBlanks(line, pos) || nextField(line, pos).empty() || !skipBlanks(line, pos)) {
        return false;
    }
    if (!skipDigits(line, pos) || !skipChar(line, pos, '-') || pos + 3 > line.size() ||
        monthIndex(line.substr(pos, 3)) < 0) {
        return false;
    }
    pos += 3;
    if (!skipChar(line, pos, '-') || !skipDigits(line, pos) || !skipChar(line, pos, ' ') ||
        !skipDigits(line, pos) || !skipChar(line, pos, ':') || !skipDigits(line, pos)) {
        return false;
    }
    return pos < line.size() && (line[pos] == ' ' || line[pos] == ':');
}

bool parseVmsName(std::string_view line, ListLineInfo& info)
{
    const std::size_t semicolon = line.find(';');
    info.nameStart = 0;
    info.nameLength = semicolon;
    if (semicolon > 4 && line.substr(semicolon - 4, 4) == ".DIR") {
        info.nameLength -= 4;
    }
    return vmsDateFollows(line, semicolon + 1);
}

// "03-04-09  10:12AM       <DIR>          Notes"
bool parseDosName(std::string_view line, ListLineInfo& info)
{
    std::size_t pos = 0;
    if (!skipDigits(line, pos) || !skipChar(line, pos, '-') || !skipDigits(line, pos) ||
        !skipChar(line, pos, '-') || !skipDigits(line, pos) || !skipBlanks(line, pos)) {
        return false;
    }
    if (!skipDigits(line, pos) || !skipChar(line, pos, ':') || !skipDigits(line, pos)) {
        return false;
    }
    if (!skipChar(line, pos, 'A') && !skipChar(line, pos, 'P')) {
        return false;
    }
    skipChar(line, pos, 'M');
    if (!skipBlanks(line, pos) || nextField(line, pos).empty() || !skipBlanks(line, pos)) {
        return false;
    }
    info.nameStart = pos;
    info.nameLength = line.size() - pos;
    return true;
}

// --- kinds and dates -------------------------------------------------------

std::optional<std::int64_t> utcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const std::int64_t days = sys_days(date).time_since_epoch().count();
    return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

int currentUtcYear(std::int64_t now)
{
    using namespace std::chrono;
    const sys_days today{days(now / kSecondsPerDay)};
    return static_cast<int>(year_month_day(today).year());
}

// "HH:MM" or "H:MM", optionally followed by ":SS".
bool readClock(std::string_view text, std::size_t& pos, int& hour, int& minute, int& second)
{
    second = 0;
    if (!readNumber(text, pos, hour) || !skipChar(text, pos, ':') || !readNumber(text, pos, minute)) {
        return false;
    }
    std::size_t after = pos;
    if (skipChar(text, after, ':') && readNumber(text, after, second)) {
        pos = after;
    }
    return true;
}

// "Mar 3 10:12" (this year, or last year when that would lie in the future)
// or "Mar 3 2009" (midnight). Listing times are taken as UTC, as the companion
// writes them.
std::optional<std::int64_t> unixDate(int month, std::string_view dayField, std::string_view yearOrTime)
{
    int day = 0;
    std::size_t pos = 0;
    if (!readNumber(dayField, pos, day) || pos != dayField.size()) {
        return std::nullopt;
    }
    pos = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (yearOrTime.find(':') != std::string_view::npos) {
        if (!readClock(yearOrTime, pos, hour, minute, second) || pos != yearOrTime.size()) {
            return std::nullopt;
        }
        const std::int64_t now = Clock::nowSeconds();
        const int year = currentUtcYear(now);
        const auto thisYear = utcSeconds(year, month + 1, day, hour, minute, 0);
        if (thisYear && *thisYear > now + kSecondsPerDay) {
            return utcSeconds(year - 1, month + 1, day, hour, minute, 0);
        }
        return thisYear;
    }
    int year = 0;
    if (!readNumber(yearOrTime, pos, year) || pos != yearOrTime.size() || yearOrTime.size() != 4) {
        return std::nullopt;
    }
    return utcSeconds(year, month + 1, day, 0, 0, 0);
}

bool looksLikeMode(std::string_view field)
{
    if ((field.size() != 10 && field.size() != 11) || kUnixKinds.find(field[0]) == std::string_view::npos) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (std::string_view("rwxsStTlL-").find(field[i]) == std::string_view::npos) {
            return false;
        }
    }
    return field.size() == 10 || std::string_view("+@.").find(field[10]) != std::string_view::npos;
}

int unixKind(char c)
{
    switch (c) {
    case 'p':
        return 1;
    case 'c':
        return 2;
    case 'd':
        return 4;
    case 'b':
        return 6;
    case 'l':
        return 10;
    case 's':
        return 12;
    default:
        return 8;
    }
}

std::optional<ListResource> unixResource(std::string_view line)
{
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.empty() || !looksLikeMode(fields[0])) {
        return std::nullopt;
    }
    ListResource resource;
    resource.type = unixKind(fields[0][0]);
    for (std::size_t i = 1; i + 2 < fields.size(); ++i) {
        const int month = monthIndex(fields[i]);
        if (month < 0) {
            continue;
        }
        if (auto date = unixDate(month, fields[i + 1], fields[i + 2])) {
            resource.date = date;
            break;
        }
    }
    return resource;
}

// "+i8388621.48594,m825718503,r,s280,\tdjb.html": "/" marks a directory, "m"
// the modification time in seconds.
std::optional<ListResource> eplfResource(std::string_view line)
{
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return std::nullopt;
    }
    ListResource resource;
    resource.type = 8;
    std::string_view facts = line.substr(1, tab - 1);
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
        if (fact == "/") {
            resource.type = 4;
        } else if (fact.size() > 1 && fact[0] == 'm') {
            std::int64_t seconds = 0;
            bool digits = fact.size() <= 18;
            for (std::size_t i = 1; i < fact.size() && digits; ++i) {
                digits = isDigit(fact[i]);
                seconds = seconds * 10 + (fact[i] - '0');
            }
            if (digits) {
                resource.date = seconds;
            }
        }
    }
    return resource;
}

// "03-04-09  10:12AM  <DIR>  Notes" or "03-04-2009  10:12PM  1234  notes.txt".
std::optional<ListResource> dosResource(std::string_view line)
{
    std::size_t pos = 0;
    int month = 0;
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!readNumber(line, pos, month) || !skipChar(line, pos, '-') || !readNumber(line, pos, day) ||
        !skipChar(line, pos, '-')) {
        return std::nullopt;
    }
    const std::size_t yearStart = pos;
    if (!readNumber(line, pos, year)) {
        return std::nullopt;
    }
    if (pos - yearStart == 2) {
        year += year < 70 ? 2000 : 1900;
    }
    if (!skipBlanks(line, pos) || !readClock(line, pos, hour, minute, second)) {
        return std::nullopt;
    }
    const bool afternoon = skipChar(line, pos, 'P');
    if (!afternoon && !skipChar(line, pos, 'A')) {
        return std::nullopt;
    }
    skipChar(line, pos, 'M');
    hour = hour % 12 + (afternoon ? 12 : 0);
    skipBlanks(line, pos);
    const std::string_view sizeOrDirectory = nextField(line, pos);
    if (sizeOrDirectory.empty()) {
        return std::nullopt;
    }
    ListResource resource;
    resource.type = sizeOrDirectory[0] == '<' ? 4 : 8;
    resource.date = utcSeconds(year, month, day, hour, minute, second);
    return resource;
}

// "CORE.DIR;1  1  16-NOV-2009 12:00 [GROUP,OWNER] (RWED,RWED,RE,)"
std::optional<ListResource> vmsResource(std::string_view line)
{
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.empty()) {
        return std::nullopt;
    }
    const std::string_view name = fields[0].substr(0, fields[0].find(';'));
    if (name.size() == fields[0].size()) {
        return std::nullopt;
    }
    ListResource resource;
    resource.type = name.size() > 4 && name.substr(name.size() - 4) == ".DIR" ? 4 : 8;
    for (std::size_t i = 1; i + 1 < fields.size(); ++i) {
        std::size_t pos = 0;
        int day = 0;
        int year = 0;
        int hour = 0;
        int minute = 0;
        int second = 0;
        const std::string_view date = fields[i];
        if (!readNumber(date, pos, day) || !skipChar(date, pos, '-') || pos + 3 > date.size()) {
            continue;
        }
        const int month = monthIndex(date.substr(pos, 3));
        pos += 3;
        if (month < 0 || !skipChar(date, pos, '-') || !readNumber(date, pos, year) || pos != date.size()) {
            continue;
        }
        pos = 0;
        if (readClock(fields[i + 1], pos, hour, minute, second)) {
            resource.date = utcSeconds(year, month + 1, day, hour, minute, second);
        }
        break;
    }
    return resource;
}

// The two readers agree on a line's style: the first character tells it,
// or a ';' (VMS) where that does not.
enum class ListingStyle { Unknown, Eplf, Unix, Vms, Dos };

ListingStyle styleOf(std::string_view line)
{
    if (line.size() < 2) {
        return ListingStyle::Unknown;
    }
    if (line[0] == '+') {
        return ListingStyle::Eplf;
    }
    if (kUnixKinds.find(line[0]) != std::string_view::npos) {
        return ListingStyle::Unix;
    }
    if (line.find(';') != std::string_view::npos) {
        return ListingStyle::Vms;
    }
    if (isDigit(line[0])) {
        return ListingStyle::Dos;
    }
    return ListingStyle::Unknown;
}

std::optional<ListResource> resourceOf(std::string_view line)
{
    switch (styleOf(line)) {
    case ListingStyle::Eplf:
        return eplfResource(line);
    case ListingStyle::Unix:
        return unixResource(line);
    case ListingStyle::Vms:
        return vmsResource(line);
    case ListingStyle::Dos:
        return dosResource(line);
    case ListingStyle::Unknown:
        break;
    }
    return std::nullopt;
}

} // namespace

bool ListingParser::parseListLine(std::string_view line, ListLineInfo& info)
{
    switch (styleOf(line)) {
    case ListingStyle::Eplf:
        return parseEplfName(line, info);
    case ListingStyle::Unix:
        return parseUnixName(line, info);
    case ListingStyle::Vms:
        return parseVmsName(line, info);
    case ListingStyle::Dos:
        return parseDosName(line, info);
    case ListingStyle::Unknown:
        break;
    }
    return false;
}

long ListingParser::parseResourceLine(std::string_view text, std::optional<ListResource>& resource)
{
    resource.reset();
    if (text.empty()) {
        return 0;
    }
    const std::size_t newline = text.find('\n');
    const std::string_view line = newline == std::string_view::npos ? text : text.substr(0, newline + 1);
    if (line.find('\0') != std::string_view::npos) {
        return -1;
    }
    resource = resourceOf(line);
    return static_cast<long>(line.size());
}

std::optional<std::vector<FtpEntry>> ListingParser::parseList(std::string_view listing)
{
    std::vector<FtpEntry> entries;
    std::size_t pos = listing.find('\n');
    pos = pos == std::string_view::npos ? listing.size() : pos + 1;
    while (pos < listing.size()) {
        std::optional<ListResource> resource;
        const long consumed = parseResourceLine(listing.substr(pos), resource);
        if (consumed <= 0) {
            return std::nullopt;
        }
        const std::string_view line = listing.substr(pos, static_cast<std::size_t>(consumed));
        pos += static_cast<std::size_t>(consumed);
        ListLineInfo info;
        // An entry whose name cannot be found has none to offer: skipped.
        if (!resource || !parseListLine(line, info)) {
            continue;
        }
        std::string name(line.substr(info.nameStart, std::min(info.nameLength, kMaxNameBytes)));
        while (!name.empty() && name.back() == '\n') {
            name.pop_back();
        }
        if (!name.empty()) {
            entries.push_back(FtpEntry{std::move(name), resource->type, resource->date.value_or(0)});
        }
    }
    return entries;
}

} // namespace dossiva

#include "platform/UserDefaults.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale.h>
#include <memory>
#include <mutex>
#include <system_error>

namespace dossiva {

namespace {

std::mutex g_standardMutex;
std::unique_ptr<UserDefaults> g_standard;
bool g_standardStale = false;

const char* skipSpaces(const char* at, const char* end)
{
    while (at < end && std::isspace(static_cast<unsigned char>(*at))) {
        ++at;
    }
    return at;
}

// NSString boolValue: after leading white space, an optional sign and any
// zeros, a 'Y', 'y', 'T', 't' or a digit 1-9 means YES; anything else NO.
bool stringToBool(const std::string& text)
{
    const char* end = text.data() + text.size();
    const char* at = skipSpaces(text.data(), end);
    if (at < end && (*at == '+' || *at == '-')) {
        ++at;
    }
    while (at < end && *at == '0') {
        ++at;
    }
    if (at == end) {
        return false;
    }
    const char c = *at;
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

// NSString integerValue: the leading decimal integer after white space and an
// optional sign, 0 when there is none, saturated on overflow.
std::int64_t stringToInteger(const std::string& text)
{
    const char* end = text.data() + text.size();
    const char* at = skipSpaces(text.data(), end);
    bool negative = false;
    if (at < end && (*at == '+' || *at == '-')) {
        negative = *at == '-';
        ++at;
    }
    // Accumulated as a negative number so that the minimum fits.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool overflow = false;
    for (; at < end && *at >= '0' && *at <= '9'; ++at) {
        const int digit = *at - '0';
        if (value < (kMin + digit) / 10) {
            overflow = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (overflow) {
        return negative ? kMin : std::numeric_limits<std::int64_t>::max();
    }
    if (negative) {
        return value;
    }
    return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

// NSString doubleValue: the leading decimal number after white space, 0 when
// there is none. Read in the C locale whatever the process's locale is.
double stringToDouble(const std::string& text)
{
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const char* end = text.data() + text.size();
    const char* at = skipSpaces(text.data(), end);
    const char* digits = at < end && (*at == '+' || *at == '-') ? at + 1 : at;
    if (digits == end || !(std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.')) {
        return 0; // no number (strtod would also take "inf", "nan")
    }
    if (end - digits >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        return 0; // "0x..." reads as the number 0 followed by text
    }
    return cLocale != nullptr ? ::strtod_l(at, nullptr, cLocale) : 0;
}

// NSNumber stringValue: integers in decimal, reals in their shortest form
// that reads back the same ("245", "0.1"), booleans "1" and "0".
std::string realToString(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

UserDefaults& UserDefaults::standard()
{
    std::lock_guard lock(g_standardMutex);
    if (!g_standard) {
        g_standard = std::make_unique<UserDefaults>(Paths::preferencesFile());
        g_standardStale = false;
    } else if (g_standardStale) {
        // Re-pointed in place, so references taken earlier stay valid.
        *g_standard = UserDefaults(Paths::preferencesFile());
        g_standardStale = false;
    }
    return *g_standard;
}

void UserDefaults::resetStandard()
{
    std::lock_guard lock(g_standardMutex);
    g_standardStale = true;
}

UserDefaults::UserDefaults(std::string filePath) : m_filePath(std::move(filePath))
{
    reload();
}

bool UserDefaults::has(const std::string& key) const
{
    return m_values.count(key) != 0;
}

std::optional<PropertyList> UserDefaults::object(const std::string& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool UserDefaults::boolForKey(const std::string& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end()) {
        return false;
    }
    const PropertyList& value = it->second;
    if (value.kind() == PropertyList::Kind::String) {
        return stringToBool(value.toString());
    }
    return value.toBool(false);
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end()) {
        return 0;
    }
    const PropertyList& value = it->second;
    if (value.kind() == PropertyList::Kind::String) {
        return stringToInteger(value.toString());
    }
    return value.toInteger(0);
}

double UserDefaults::doubleForKey(const std::string& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end()) {
        return 0;
    }
    const PropertyList& value = it->second;
    if (value.kind() == PropertyList::Kind::String) {
        return stringToDouble(value.toString());
    }
    return value.toReal(0);
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end()) {
        return std::nullopt;
    }
    const PropertyList& value = it->second;
    switch (value.kind()) {
    case PropertyList::Kind::String:
        return value.toString();
    case PropertyList::Kind::Integer:
        return std::to_string(value.toInteger());
    case PropertyList::Kind::Real:
        return realToString(value.toReal());
    case PropertyList::Kind::Boolean:
        return std::string(value.toBool() ? "1" : "0");
    default:
        return std::nullopt;
    }
}

void UserDefaults::set(const std::string& key, PropertyList value)
{
    m_values.insert_or_assign(key, std::move(value));
    m_lastWriteOk = write();
}

void UserDefaults::remove(const std::string& key)
{
    m_values.erase(key);
    m_lastWriteOk = write();
}

bool UserDefaults::synchronize()
{
    m_lastWriteOk = write();
    return m_lastWriteOk;
}

void UserDefaults::reload()
{
    m_values.clear();
    std::error_code error;
    const auto status = std::filesystem::status(m_filePath, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return; // no preferences yet: an empty store, nothing to report
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    if (!error && std::filesystem::is_regular_file(status)) {
        bytes = FileManager::readFile(m_filePath);
    }
    if (!bytes) {
        devLog("UserDefaults: cannot read the preferences file '" + m_filePath + "'");
        return;
    }
    std::optional<PropertyList> root = PropertyList::fromAny(bytes->data(), bytes->size());
    if (!root || !root->isDictionary()) {
        // Left as it is until the next write, which replaces it.
        devLog("UserDefaults: the preferences file '" + m_filePath + "' is not a property list dictionary");
        return;
    }
    m_values = std::move(*root->asDictionary());
}

bool UserDefaults::write() const
{
    const std::string folder = std::filesystem::path(m_filePath).parent_path().string();
    if (!folder.empty() && !FileManager::isDirectory(folder) && !FileManager::createDirectories(folder)) {
        devLog("UserDefaults: cannot make the folder of '" + m_filePath + "'");
        return false;
    }
    const std::string xml = PropertyList(m_values).toXml();
    if (xml.empty() || !FileManager::writeFileAtomically(m_filePath, xml)) {
        devLog("UserDefaults: cannot write the preferences file '" + m_filePath + "'");
        return false;
    }
    return true;
}

} // namespace dossiva

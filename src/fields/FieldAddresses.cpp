#include "fields/FieldAddresses.h"

#include <algorithm>
#include <array>

namespace dossiva::FieldAddresses {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string scheme(std::string_view typed)
{
    const std::string_view text = trimmed(typed);
    // RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":".
    if (text.empty() || !isLetter(text[0])) {
        return {};
    }
    std::size_t end = 1;
    while (end < text.size() && (isLetter(text[end]) || isDigit(text[end]) || text[end] == '+' ||
                                 text[end] == '-' || text[end] == '.')) {
        ++end;
    }
    if (end >= text.size() || text[end] != ':') {
        return {};
    }
    // "host:8080" is a host and its port, which people type without a scheme.
    if (end + 1 < text.size() && isDigit(text[end + 1])) {
        return {};
    }
    std::string name(text.substr(0, end));
    std::transform(name.begin(), name.end(), name.begin(), lower);
    return name;
}

std::optional<std::string> linkUrl(std::string_view text)
{
    static constexpr std::array<std::string_view, 5> kOpenedAsTyped = {"http", "https", "ftp", "ftps",
                                                                       "mailto"};
    const std::string_view link = trimmed(text);
    if (link.empty()) {
        return std::nullopt;
    }
    const std::string name = scheme(link);
    if (name.empty()) {
        return "http://" + std::string(link);
    }
    if (std::find(kOpenedAsTyped.begin(), kOpenedAsTyped.end(), name) == kOpenedAsTyped.end()) {
        return std::nullopt;
    }
    return std::string(link);
}

std::optional<std::string> linkRefusal(std::string_view text)
{
    const std::string name = scheme(text);
    if (name.empty() || linkUrl(text)) {
        return std::nullopt;
    }
    return "Only web and e-mail addresses open from a record: a \"" + name +
           ":\" link could open a file or start a program on this computer.";
}

std::string emailUrl(std::string_view address)
{
    return "mailto:" + std::string(address);
}

} // namespace dossiva::FieldAddresses

#include "sync/FtpReplyParser.h"

#include "platform/TextEncoding.h"

#include <algorithm>

namespace dossiva {

namespace {

constexpr std::size_t kMaxDirectoryBytes = 255;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool FtpReplyParser::greetingSupportsTemplates(std::string_view firstLine)
{
    while (!firstLine.empty() && (firstLine.back() == '\n' || firstLine.back() == '\r')) {
        firstLine.remove_suffix(1);
    }
    if (firstLine.size() < 25) {
        return false;
    }
    const std::string_view version = firstLine.substr(22, 3);
    double value = 0;
    bool digits = false;
    std::size_t i = 0;
    for (; i < version.size() && isDigit(version[i]); ++i) {
        value = value * 10 + (version[i] - '0');
        digits = true;
    }
    if (i < version.size() && version[i] == '.') {
        double scale = 0.1;
        for (++i; i < version.size() && isDigit(version[i]); ++i) {
            value += (version[i] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    return digits && value >= 4.0;
}

std::optional<FtpReplyParser::PassiveAddress> FtpReplyParser::passiveAddress(std::string_view reply)
{
    std::size_t pos = reply.find('(');
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    ++pos;
    unsigned numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        while (pos < reply.size() && reply[pos] == ' ') {
            ++pos;
        }
        const std::size_t start = pos;
        unsigned value = 0;
        while (pos < reply.size() && isDigit(reply[pos]) && value <= 255) {
            value = value * 10 + static_cast<unsigned>(reply[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 255 || (pos < reply.size() && isDigit(reply[pos]))) {
            return std::nullopt;
        }
        if (i < 5 && (pos >= reply.size() || reply[pos++] != ',')) {
            return std::nullopt;
        }
        numbers[i] = value;
    }
    PassiveAddress parsed;
    for (std::size_t i = 0; i < 4; ++i) {
        parsed.address[i] = static_cast<std::uint8_t>(numbers[i]);
    }
    parsed.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
    if (parsed.port == 0) {
        return std::nullopt;
    }
    return parsed;
}

std::optional<std::string> FtpReplyParser::workingDirectory(std::string_view reply, bool truncated)
{
    const std::size_t open = reply.find('"');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t close = reply.find('"', open + 1);
    if (close == std::string_view::npos) {
        if (truncated) {
            return std::nullopt;
        }
        close = std::min(reply.find('\n', open + 1), reply.size());
    }
    return decodeText(reply.substr(open + 1, std::min(close - open - 1, kMaxDirectoryBytes)),
                      TextEncoding::UTF8);
}

} // namespace dossiva

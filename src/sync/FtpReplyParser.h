#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dossiva {

// Reads what FTP replies carry beyond their code. Replies come from the
// network: anything malformed yields nothing rather than a guess.
class FtpReplyParser {
public:
    // The companion puts its version at characters 23 to 25 of its
    // greeting's first line; 4.0 or more exchanges templates.
    static bool greetingSupportsTemplates(std::string_view firstLine);

    struct PassiveAddress {
        std::array<std::uint8_t, 4> address{};
        std::uint16_t port = 0;
    };
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": six numbers of 0 to
    // 255 after the first parenthesis, and a port that is not 0.
    static std::optional<PassiveAddress> passiveAddress(std::string_view reply);

    // "257 "/Documents" is the current directory": the UTF-8 text between the
    // first two double quotes, or up to the line's end when the second is
    // missing, at most 255 bytes. A line that was cut (truncated) ends where
    // nobody knows, so then a missing second quote gives nothing.
    static std::optional<std::string> workingDirectory(std::string_view reply, bool truncated);
};

} // namespace dossiva

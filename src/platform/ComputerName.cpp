#include "platform/ComputerName.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <limits.h>
#include <unistd.h>

namespace dossiva {

namespace {

constexpr std::string_view kFallback = "Linux";
// The login refuses user names of 58 bytes or more.
constexpr std::size_t kMaxBytes = 57;

} // namespace

std::string ComputerName::current()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        devLog(std::string("gethostname: ") + std::strerror(errno));
        return std::string(kFallback);
    }
    return fromHostName(host);
}

std::string ComputerName::fromHostName(std::string_view hostName)
{
    const std::string_view label = hostName.substr(0, hostName.find('.'));
    std::string name;
    for (char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            name += c;
        }
    }
    // Cut on a character boundary: never inside a UTF-8 sequence.
    if (name.size() > kMaxBytes) {
        std::size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string(kFallback);
    }
    const auto last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1);
}

} // namespace dossiva

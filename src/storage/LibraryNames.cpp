#include "storage/LibraryNames.h"

namespace dossiva {

namespace {
// Room for ".dossivaTemplate" within the usual 255-byte file-name limit.
constexpr std::size_t kMaxNameBytes = 255 - 16;
} // namespace

bool isAcceptableLibraryName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxNameBytes || name.front() == '.') {
        return false;
    }
    if (name.find_first_not_of(' ') == std::string::npos) {
        return false;
    }
    for (unsigned char c : name) {
        if (c == '/' || c < 0x20 || c == 0x7f) {
            return false;
        }
    }
    return true;
}

std::string refusedNameMessage(const std::string& name)
{
    return "\"" + name +
           "\" cannot be used as a name. A name must not be empty, start with a dot, or contain a slash or "
           "control characters.";
}

} // namespace dossiva

#include "sync/RemoteNames.h"

namespace dossiva {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

} // namespace

bool isPlainRemoteName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        if (c == '/' || isControl(c)) {
            return false;
        }
    }
    return true;
}

std::string printableRemoteName(std::string_view name)
{
    std::string shown(name);
    for (char& c : shown) {
        if (isControl(c)) {
            c = '?';
        }
    }
    return shown;
}

std::string remoteChild(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

} // namespace dossiva

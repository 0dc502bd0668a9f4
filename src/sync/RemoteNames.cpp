#include "sync/RemoteNames.h"

#include "library/LibraryNames.h"
#include "platform/FileManager.h"

namespace dossiva {

namespace {

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

} // namespace

bool isPlainRemoteName(std::string_view name)
{
    return isAcceptableLibraryName(std::string(name));
}

bool isAcceptableRemoteItemName(std::string_view fileName)
{
    return isAcceptableLibraryName(FileManager::deletingPathExtension(std::string(fileName)));
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

std::string quotedItemName(std::string_view fileName)
{
    return '"' + printableRemoteName(FileManager::deletingPathExtension(std::string(fileName))) + '"';
}

std::string remoteChild(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

} // namespace dossiva

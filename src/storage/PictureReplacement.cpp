#include "storage/PictureReplacement.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "storage/PackageSwap.h"

namespace dossiva {

namespace {

constexpr const char* kOldSuffix = ".old";

std::string oldName(const std::string& place)
{
    return place + kOldSuffix;
}

// "N.old" for a picture number N.
bool isOldPicture(const std::string& name)
{
    const auto digits = name.find_first_not_of("0123456789");
    return digits != 0 && digits != std::string::npos && name.substr(digits) == kOldSuffix;
}

} // namespace

std::string PictureReplacement::writtenName(const std::string& place)
{
    return place + ".new";
}

void PictureReplacement::add(const std::string& place)
{
    m_places.push_back(place);
}

void PictureReplacement::merge(PictureReplacement&& other)
{
    m_places.insert(m_places.end(), other.m_places.begin(), other.m_places.end());
}

bool PictureReplacement::swapIn()
{
    for (; m_swapped < m_places.size(); ++m_swapped) {
        const std::string& place = m_places[m_swapped];
        // A file missing under its number has nothing to keep.
        const bool kept = !FileManager::exists(place) || FileManager::renameReplacing(place, oldName(place));
        if (!kept || !FileManager::renameReplacing(writtenName(place), place)) {
            const Failure failure = FileManager::lastFailure();
            if (kept && FileManager::exists(oldName(place))) {
                FileManager::renameReplacing(oldName(place), place);
            }
            undo();
            devLog("Error DB: a picture could not be replaced: " + failure.reason);
            return false;
        }
    }
    return true;
}

void PictureReplacement::undo()
{
    for (std::size_t i = 0; i < m_places.size(); ++i) {
        const std::string& place = m_places[i];
        if (i < m_swapped && FileManager::exists(oldName(place))) {
            FileManager::renameReplacing(oldName(place), place);
        }
        FileManager::removeFileEntry(writtenName(place));
    }
    m_swapped = 0;
}

void PictureReplacement::finish() const
{
    for (const auto& place : m_places) {
        FileManager::removeFileEntry(oldName(place));
    }
}

void PictureReplacement::settle(const std::string& package)
{
    const std::string folder = package + "/images";
    const bool committed = !PackageSwap::hasJournal(package);
    for (const auto& name : FileManager::contentsOfDirectory(folder)) {
        if (!isOldPicture(name)) {
            continue;
        }
        const std::string old = folder + "/" + name;
        const std::string place = old.substr(0, old.size() - std::string(kOldSuffix).size());
        devLog("Library: " +
               std::string(committed ? "removing the replaced picture " : "putting back the picture ") + old);
        if (committed) {
            FileManager::removeFileEntry(old);
        } else {
            FileManager::renameReplacing(old, place);
        }
    }
}

} // namespace dossiva

#include "sync/DownloadLimits.h"

#include "platform/UserDefaults.h"

#include <algorithm>

namespace dossiva {

DownloadLimits DownloadLimits::fromPreferences()
{
    const std::int64_t preferred = UserDefaults::standard().integerForKey(kMaxDownloadKey);
    DownloadLimits limits;
    return preferred > 0 ? limits.withMaxDownload(static_cast<std::uint64_t>(preferred)) : limits;
}

DownloadLimits DownloadLimits::withMaxDownload(std::uint64_t maxBytes) const
{
    DownloadLimits limits = *this;
    limits.fileBytes = maxBytes;
    limits.pictureBytes = std::min(kDefaultPictureBytes, maxBytes);
    return limits;
}

std::string byteCountText(std::uint64_t bytes)
{
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    int unit = -1;
    std::uint64_t whole = bytes;
    // Only exact multiples get a unit, so the text never rounds a limit.
    while (unit < 3 && whole >= 1024 && whole % 1024 == 0) {
        whole /= 1024;
        ++unit;
    }
    if (unit < 0) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    return std::to_string(whole) + " " + units[unit];
}

} // namespace dossiva

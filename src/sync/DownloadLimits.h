#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace dossiva {

// The preference that sets the largest file taken from the companion, in
// bytes (database files and templates; pictures never above it).
inline constexpr const char* kMaxDownloadKey = "SyncMaxDownloadBytes";

// How much the session takes from the companion, and how slowly: a companion
// that sends without end must not fill the disk, and one that trickles a
// byte now and then must not hold a transfer open for hours. A silent one is
// ended by the client's time-out.
struct DownloadLimits {
    static constexpr std::uint64_t kDefaultFileBytes = std::uint64_t{4} << 30;
    static constexpr std::uint64_t kDefaultPictureBytes = std::uint64_t{256} << 20;

    // A database file or a template.
    std::uint64_t fileBytes = kDefaultFileBytes;
    // One picture.
    std::uint64_t pictureBytes = kDefaultPictureBytes;
    // A transfer that moves fewer than minimumBytes within a window ends.
    std::uint64_t minimumBytes = 1024;
    std::chrono::milliseconds window{60000};

    // The defaults, with the largest file as the preference sets it.
    static DownloadLimits fromPreferences();
    // These limits with no file larger than maxBytes; pictures keep their
    // own limit when it is lower.
    DownloadLimits withMaxDownload(std::uint64_t maxBytes) const;
};

// A byte count as people read it: "4 GiB", "256 MiB", "1 KiB", "1000 bytes".
std::string byteCountText(std::uint64_t bytes);

} // namespace dossiva

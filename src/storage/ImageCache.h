#pragma once

#include "platform/Image.h"

#include <map>
#include <mutex>
#include <string>

namespace dossiva {

// Decoded record pictures by file path, read once and kept until released.
class ImageCache {
public:
    static ImageCache& sharedIstance();

    // The picture of a file, read and kept on first use; null when the file
    // cannot be read as a picture.
    ImagePtr getImage(const std::string& path);
    void releaseImage(const std::string& path);
    void releaseImages();

private:
    std::mutex m_mutex;
    std::map<std::string, ImagePtr> m_images;
};

} // namespace dossiva

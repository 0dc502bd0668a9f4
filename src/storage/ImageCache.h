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
    // The same picture, read but not kept when it is not kept already: for
    // a glance at many pictures in turn (the record list's cells), which
    // would otherwise keep every picture scrolled past.
    ImagePtr viewImage(const std::string& path);
    void releaseImage(const std::string& path);
    void releaseImages();

private:
    ImagePtr cached(const std::string& path);
    static ImagePtr read(const std::string& path);

    std::mutex m_mutex;
    std::map<std::string, ImagePtr> m_images;
};

} // namespace dossiva

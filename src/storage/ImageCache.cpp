#include "storage/ImageCache.h"

#include "platform/FileManager.h"

namespace dossiva {

ImageCache& ImageCache::sharedIstance()
{
    static ImageCache cache;
    return cache;
}

ImagePtr ImageCache::getImage(const std::string& path)
{
    {
        std::lock_guard lock(m_mutex);
        if (auto found = m_images.find(path); found != m_images.end()) {
            return found->second;
        }
    }
    // Record pictures are read inside a pictures folder of their package's
    // own, and never through a link. Decode outside the lock: pictures can
    // be large.
    if (!FileManager::isRealDirectory(FileManager::parentPath(path))) {
        return nullptr;
    }
    auto image = Image::readFile(path, false);
    if (!image) {
        return nullptr;
    }
    auto shared = std::make_shared<const Image>(std::move(*image));
    std::lock_guard lock(m_mutex);
    return m_images.emplace(path, std::move(shared)).first->second;
}

void ImageCache::releaseImage(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_images.erase(path);
}

void ImageCache::releaseImages()
{
    std::lock_guard lock(m_mutex);
    m_images.clear();
}

} // namespace dossiva

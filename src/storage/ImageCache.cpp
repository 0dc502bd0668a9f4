#include "storage/ImageCache.h"

#include "platform/FileManager.h"

namespace dossiva {

ImageCache& ImageCache::sharedIstance()
{
    static ImageCache cache;
    return cache;
}

ImagePtr ImageCache::cached(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_images.find(path);
    return found != m_images.end() ? found->second : nullptr;
}

ImagePtr ImageCache::read(const std::string& path)
{
    // Record pictures are read inside a pictures folder of their package's
    // own, and never through a link. Decode outside the lock: pictures can
    // be large.
    if (!FileManager::isRealDirectory(FileManager::parentPath(path))) {
        return nullptr;
    }
    auto image = Image::readFile(path, false);
    return image ? std::make_shared<const Image>(std::move(*image)) : nullptr;
}

ImagePtr ImageCache::getImage(const std::string& path)
{
    if (ImagePtr found = cached(path)) {
        return found;
    }
    ImagePtr shared = read(path);
    if (!shared) {
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    return m_images.emplace(path, std::move(shared)).first->second;
}

ImagePtr ImageCache::viewImage(const std::string& path)
{
    if (ImagePtr found = cached(path)) {
        return found;
    }
    return read(path);
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

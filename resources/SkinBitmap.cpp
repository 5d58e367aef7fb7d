#include "resources/SkinBitmap.h"

#include <mutex>

namespace dedevev {

RawBitmap::RawBitmap(int width, int height, SkinColor fill)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

SkinColor RawBitmap::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void RawBitmap::SetPixel(int x, int y, SkinColor color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = color;
}

namespace {

class NoFileLoader : public IBitmapLoader {
public:
    std::unique_ptr<SkinBitmap> Load(const std::string&) override { return nullptr; }
    std::unique_ptr<SkinBitmap> CreateBlank(int width, int height) override {
        return std::make_unique<RawBitmap>(width, height);
    }
};

std::mutex g_loader_mutex;
std::shared_ptr<IBitmapLoader>& LoaderStorage() {
    static std::shared_ptr<IBitmapLoader> loader = std::make_shared<NoFileLoader>();
    return loader;
}

}  // namespace

void SetBitmapLoader(std::shared_ptr<IBitmapLoader> loader) {
    std::lock_guard<std::mutex> lock(g_loader_mutex);
    LoaderStorage() = loader ? std::move(loader) : std::make_shared<NoFileLoader>();
}

std::shared_ptr<IBitmapLoader> CurrentBitmapLoader() {
    std::lock_guard<std::mutex> lock(g_loader_mutex);
    return LoaderStorage();
}

}  // namespace dedevev

#pragma once
// The bitmaps a skin hands out. The skin's logic lives without a screen; the window layer
// supplies a loader that reads .bmp files into its own image type.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dedevev {

// A colour as the skin stores it: red + green * 256 + blue * 65536.
using SkinColor = std::uint32_t;
constexpr SkinColor MakeSkinColor(int r, int g, int b) {
    return static_cast<SkinColor>(r & 0xFF) | (static_cast<SkinColor>(g & 0xFF) << 8) |
           (static_cast<SkinColor>(b & 0xFF) << 16);
}
constexpr int SkinRed(SkinColor c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int SkinGreen(SkinColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int SkinBlue(SkinColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

class SkinBitmap {
public:
    virtual ~SkinBitmap() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual SkinColor PixelAt(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, SkinColor color) = 0;

    // The blank a skin hands out in place of a picture it does not have. It is never drawn:
    // views draw something readable of their own instead.
    bool IsStandIn() const { return stand_in_; }
    void MarkStandIn() { stand_in_ = true; }

private:
    bool stand_in_ = false;
};

// A plain in-memory bitmap: the fallback images and whatever needs no screen.
class RawBitmap : public SkinBitmap {
public:
    RawBitmap(int width, int height, SkinColor fill = 0);
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    SkinColor PixelAt(int x, int y) const override;
    void SetPixel(int x, int y, SkinColor color) override;

private:
    int width_;
    int height_;
    std::vector<SkinColor> pixels_;
};

class IBitmapLoader {
public:
    virtual ~IBitmapLoader() = default;
    // Reads a .bmp file (UTF-8 file-system path); null when it cannot be read.
    virtual std::unique_ptr<SkinBitmap> Load(const std::string& path) = 0;
    // A blank bitmap of the given size.
    virtual std::unique_ptr<SkinBitmap> CreateBlank(int width, int height) = 0;
};

// The loader new skins use. Without one set, files cannot be read (every load fails) and
// blank bitmaps are RawBitmaps.
void SetBitmapLoader(std::shared_ptr<IBitmapLoader> loader);
std::shared_ptr<IBitmapLoader> CurrentBitmapLoader();

}  // namespace dedevev

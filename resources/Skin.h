#pragma once
// The skin: images, colours and the transparent colour of the user interface, named in a
// skin file and loaded lazily, at most once per entry.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "resources/SkinBitmap.h"

namespace dedevev {

class ISkin {
public:
    virtual ~ISkin() = default;
    // "Bitmaps" entry, loaded on first use; null when absent or unreadable.
    virtual const SkinBitmap* GetBitmap(std::u16string_view name) = 0;
    // As GetBitmap, but the first 10 x 10 fallback instead of null.
    virtual const SkinBitmap* GetBitmapOrDefault(std::u16string_view name) = 0;
    // "Icons" entry, or the second 10 x 10 fallback.
    virtual const SkinBitmap* GetIcon(std::u16string_view name) = 0;
    // "colors" entry, or 1 when absent.
    virtual SkinColor GetColor(std::u16string_view name) const = 0;
    virtual SkinColor GetTransparentColor() const = 0;
};

class CSkin : public ISkin {
public:
    CSkin();
    explicit CSkin(std::shared_ptr<IBitmapLoader> loader);

    // Clears everything and reads the skin file (UTF-8 file-system path).
    void Load(const std::string& path);
    // The same from a skin file's bytes; `path` gives the folder relative entries are in.
    void LoadBytes(std::string_view bytes, const std::string& path);

    const SkinBitmap* GetBitmap(std::u16string_view name) override;
    const SkinBitmap* GetBitmapOrDefault(std::u16string_view name) override;
    const SkinBitmap* GetIcon(std::u16string_view name) override;
    SkinColor GetColor(std::u16string_view name) const override;
    SkinColor GetTransparentColor() const override { return transparent_; }

    // Mutable access for composing page backgrounds in place.
    SkinBitmap* MutableBitmap(std::u16string_view name);
    // Runs `step` on the "Bitmaps" entry `name` once it is loaded: at once when it is loaded
    // already, else right after its first load. Nothing happens for an absent entry.
    void WhenLoaded(std::u16string_view name, std::function<void(SkinBitmap&)> step);

    // The path an image entry resolves to, before its first load (for diagnostics and tests);
    // empty when the entry is absent or was already loaded.
    std::u16string PendingPath(std::u16string_view section, std::u16string_view name) const;

    // Parses a "colors" value; false when it does not start with "RGB(".
    static bool ParseColor(std::u16string_view value, SkinColor* color);

private:
    struct ImageRecord {
        std::u16string path;  // dropped at the first load attempt
        std::unique_ptr<SkinBitmap> bitmap;
        std::function<void(SkinBitmap&)> after_load;
    };
    using ImageMap = std::map<std::u16string, ImageRecord, std::less<>>;

    SkinBitmap* Resolve(ImageMap& map, std::u16string_view name);
    void Clear();

    std::shared_ptr<IBitmapLoader> loader_;
    ImageMap bitmaps_;
    ImageMap icons_;
    std::map<std::u16string, SkinColor, std::less<>> colors_;
    SkinColor transparent_ = 1;
    std::unique_ptr<SkinBitmap> fallback_bitmap_;
    std::unique_ptr<SkinBitmap> fallback_icon_;
};

// Copies every pixel of `overlay` that is not `transparent` into `page` at (dx, dy),
// clipped to the page.
void OverlayBitmap(SkinBitmap& page, const SkinBitmap& overlay, int dx, int dy,
                   SkinColor transparent);

// After a skin switch: puts "ButtonDragin_Up" onto each "PageBkg<i>_<j>" page background
// (i = 1..5, j = 0..i-1) at (374, 88), leaving out its transparent pixels. A page not loaded
// yet gets it when first loaded, so the fifteen large pages cost nothing until shown.
void ComposePageBackgrounds(CSkin& skin);

}  // namespace dedevev

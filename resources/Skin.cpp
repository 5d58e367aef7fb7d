#include "resources/Skin.h"

#include <cstdio>

#include "core/Paths.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {

CSkin::CSkin() : CSkin(CurrentBitmapLoader()) {}

CSkin::CSkin(std::shared_ptr<IBitmapLoader> loader) : loader_(std::move(loader)) {
    fallback_bitmap_ = loader_->CreateBlank(10, 10);
    fallback_icon_ = loader_->CreateBlank(10, 10);
    fallback_bitmap_->MarkStandIn();
    fallback_icon_->MarkStandIn();
}

void CSkin::Clear() {
    bitmaps_.clear();
    icons_.clear();
    colors_.clear();
    transparent_ = 1;
}

void CSkin::Load(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        bytes.clear();
    LoadBytes(bytes, path);
}

bool CSkin::ParseColor(std::u16string_view value, SkinColor* color) {
    const std::u16string upper = ToUpper(TrimView(value));
    if (upper.rfind(u"RGB(", 0) != 0)
        return false;
    int r = 0;
    int g = 0;
    int b = 0;
    // The scan stops at the first component that does not parse; the rest stay 0.
    std::sscanf(Utf16ToUtf8(upper).c_str(), "RGB(%d,%d,%d)", &r, &g, &b);
    *color = MakeSkinColor(r, g, b);
    return true;
}

void CSkin::LoadBytes(std::string_view bytes, const std::string& path) {
    Clear();
    const TextTable table = TextTable::FromBytes(bytes);
    const std::u16string folder = DirectoryOf(Utf8ToUtf16(path));

    auto build_images = [&](std::u16string_view section, ImageMap& into) {
        const TextTable::Section* entries = table.Find(section);
        if (entries == nullptr)
            return;
        for (const auto& [name, raw] : *entries) {
            std::u16string_view value = raw;
            while (!value.empty() && value.front() == u'"')
                value.remove_prefix(1);
            while (!value.empty() && value.back() == u'"')
                value.remove_suffix(1);
            std::u16string file = ToLower(value);
            const std::size_t bmp = file.find(u".bmp", 1);
            if (file.size() < 2 || bmp == std::u16string::npos)
                continue;
            const bool absolute =
                file.front() == u'/' || file.find(u':', 1) != std::u16string::npos;
            if (!absolute)
                file = folder + file;
            into[name] = ImageRecord{std::move(file), nullptr, nullptr};
        }
    };
    build_images(u"bitmaps", bitmaps_);
    build_images(u"icons", icons_);

    if (const TextTable::Section* colors = table.Find(u"colors")) {
        for (const auto& [name, value] : *colors) {
            SkinColor color = 0;
            if (ParseColor(value, &color))
                colors_[name] = color;
        }
    }
    transparent_ = GetColor(u"TransparentColor");
}

SkinBitmap* CSkin::Resolve(ImageMap& map, std::u16string_view name) {
    const auto it = map.find(ToLower(name));
    if (it == map.end())
        return nullptr;
    ImageRecord& record = it->second;
    if (!record.bitmap && !record.path.empty()) {
        // One attempt per entry: the path is dropped whether the load worked or not.
        const std::string file = ResolvePathNoCase(NativePath(record.path));
        record.path.clear();
        record.bitmap = loader_->Load(file);
        if (record.bitmap && record.after_load) {
            auto step = std::move(record.after_load);
            record.after_load = nullptr;
            step(*record.bitmap);
        }
    }
    return record.bitmap.get();
}

void CSkin::WhenLoaded(std::u16string_view name, std::function<void(SkinBitmap&)> step) {
    const auto it = bitmaps_.find(ToLower(name));
    if (it == bitmaps_.end() || !step)
        return;
    ImageRecord& record = it->second;
    if (record.bitmap) {
        step(*record.bitmap);
    } else if (!record.path.empty()) {
        record.after_load = std::move(step);
    }
}

const SkinBitmap* CSkin::GetBitmap(std::u16string_view name) {
    return Resolve(bitmaps_, name);
}

SkinBitmap* CSkin::MutableBitmap(std::u16string_view name) {
    return Resolve(bitmaps_, name);
}

const SkinBitmap* CSkin::GetBitmapOrDefault(std::u16string_view name) {
    const SkinBitmap* bitmap = Resolve(bitmaps_, name);
    return bitmap ? bitmap : fallback_bitmap_.get();
}

const SkinBitmap* CSkin::GetIcon(std::u16string_view name) {
    const SkinBitmap* bitmap = Resolve(icons_, name);
    return bitmap ? bitmap : fallback_icon_.get();
}

SkinColor CSkin::GetColor(std::u16string_view name) const {
    const auto it = colors_.find(ToLower(name));
    return it == colors_.end() ? 1 : it->second;
}

std::u16string CSkin::PendingPath(std::u16string_view section, std::u16string_view name) const {
    const ImageMap& map = EqualsNoCase(section, u"icons") ? icons_ : bitmaps_;
    const auto it = map.find(ToLower(name));
    return it == map.end() ? std::u16string() : it->second.path;
}

void OverlayBitmap(SkinBitmap& page, const SkinBitmap& overlay, int dx, int dy,
                   SkinColor transparent) {
    for (int y = 0; y < overlay.Height(); ++y) {
        const int ty = y + dy;
        if (ty < 0 || ty >= page.Height())
            continue;
        for (int x = 0; x < overlay.Width(); ++x) {
            const int tx = x + dx;
            if (tx < 0 || tx >= page.Width())
                continue;
            const SkinColor c = overlay.PixelAt(x, y);
            if (c != transparent)
                page.SetPixel(tx, ty, c);
        }
    }
}

void ComposePageBackgrounds(CSkin& skin) {
    const SkinColor transparent = skin.GetTransparentColor();
    for (int i = 1; i <= 5; ++i) {
        for (int j = 0; j < i; ++j) {
            const std::u16string name =
                u"PageBkg" + Utf8ToUtf16(std::to_string(i)) + u"_" + Utf8ToUtf16(std::to_string(j));
            skin.WhenLoaded(name, [&skin, transparent](SkinBitmap& page) {
                // Without its picture the handle is left off rather than drawn as a blank.
                if (const SkinBitmap* drag = skin.GetBitmap(u"ButtonDragin_Up"))
                    OverlayBitmap(page, *drag, 374, 88, transparent);
            });
        }
    }
}

}  // namespace dedevev

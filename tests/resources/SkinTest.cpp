#include "resources/Skin.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/TextCodec.h"

namespace dedevev {
namespace {

// Counts the files it is asked for; "exists" decides which ones load.
class CountingLoader : public IBitmapLoader {
public:
    std::map<std::string, int> loads;
    std::map<std::string, std::pair<int, int>> files;  // path -> size

    std::unique_ptr<SkinBitmap> Load(const std::string& path) override {
        ++loads[path];
        const auto it = files.find(path);
        if (it == files.end())
            return nullptr;
        return std::make_unique<RawBitmap>(it->second.first, it->second.second,
                                           MakeSkinColor(9, 9, 9));
    }
    std::unique_ptr<SkinBitmap> CreateBlank(int w, int h) override {
        return std::make_unique<RawBitmap>(w, h);
    }
};

TEST(Skin, ImageEntryRules) {
    auto loader = std::make_shared<CountingLoader>();
    CSkin skin(loader);
    skin.LoadBytes(
        "[Bitmaps]\n"
        "Quoted=\"Bitmaps\\Back_TOP.BMP\"\n"
        "Png=images\\logo.png\n"
        "OnlyExt=.bmp\n"
        "Drive=C:\\Skins\\Btn.bmp\n"
        "Absolute=/opt/skin/a.bmp\n"
        "[Icons]\n"
        "Tray=\"tray.bmp\"\n",
        "/usr/share/dedevev/Skin/Skin.txt");
    EXPECT_EQ(skin.PendingPath(u"Bitmaps", u"quoted"),
              u"/usr/share/dedevev/Skin/bitmaps\\back_top.bmp");
    EXPECT_EQ(skin.PendingPath(u"Bitmaps", u"Png"), u"");
    EXPECT_EQ(skin.PendingPath(u"Bitmaps", u"OnlyExt"), u"");
    EXPECT_EQ(skin.PendingPath(u"Bitmaps", u"DRIVE"), u"c:\\skins\\btn.bmp");
    EXPECT_EQ(skin.PendingPath(u"Bitmaps", u"Absolute"), u"/opt/skin/a.bmp");
    EXPECT_EQ(skin.PendingPath(u"Icons", u"Tray"), u"/usr/share/dedevev/Skin/tray.bmp");
    EXPECT_EQ(skin.GetBitmap(u"Png"), nullptr);
    EXPECT_TRUE(loader->loads.empty());  // nothing is read before it is asked for
}

TEST(Skin, LoadsOnceAndNeverRetriesAFailure) {
    auto loader = std::make_shared<CountingLoader>();
    loader->files["/s/good.bmp"] = {30, 20};
    CSkin skin(loader);
    skin.LoadBytes("[Bitmaps]\nGood=good.bmp\nBad=missing.bmp\n", "/s/Skin.txt");
    const SkinBitmap* good = skin.GetBitmap(u"GOOD");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->Width(), 30);
    EXPECT_EQ(skin.GetBitmap(u"good"), good);
    EXPECT_EQ(skin.GetBitmap(u"Bad"), nullptr);
    // The file appears later: still not read again.
    loader->files["/s/missing.bmp"] = {5, 5};
    EXPECT_EQ(skin.GetBitmap(u"Bad"), nullptr);
    EXPECT_EQ(loader->loads["/s/good.bmp"], 1);
    EXPECT_EQ(loader->loads["/s/missing.bmp"], 1);
}

TEST(Skin, FallbacksForMissingImages) {
    CSkin skin(std::make_shared<CountingLoader>());
    skin.LoadBytes("", "/s/Skin.txt");
    const SkinBitmap* a = skin.GetBitmapOrDefault(u"Nothing");
    const SkinBitmap* b = skin.GetIcon(u"Nothing");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->Width(), 10);
    EXPECT_EQ(b->Height(), 10);
    // Marked, so that no view draws a blank square for a missing picture.
    EXPECT_TRUE(a->IsStandIn());
    EXPECT_TRUE(b->IsStandIn());
    EXPECT_EQ(skin.GetBitmap(u"Nothing"), nullptr);
    EXPECT_EQ(skin.GetColor(u"Nothing"), 1u);
    EXPECT_EQ(skin.GetTransparentColor(), 1u);
}

TEST(Skin, ColourRules) {
    const struct {
        const char* value;
        bool accepted;
        SkinColor color;
    } cases[] = {
        {"RGB(255,0,255)", true, MakeSkinColor(255, 0, 255)},
        {"rgb(10, 20, 30)", true, 10 + 20 * 256 + 30 * 65536},
        {"RGB(10 ,20,30)", true, 10},  // a blank before a comma stops the scan
        {"RGB(300,1,2)", true, 44 + 1 * 256 + 2 * 65536},
        {"  RGB(1,2,3)  ", true, MakeSkinColor(1, 2, 3)},
        {"RGB(x,2,3)", true, 0},
        {"#FF00FF", false, 0},
        {"(1,2,3)", false, 0},
    };
    for (const auto& c : cases) {
        SkinColor color = 12345;
        EXPECT_EQ(CSkin::ParseColor(Utf8ToUtf16(c.value), &color), c.accepted) << c.value;
        if (c.accepted) {
            EXPECT_EQ(color, c.color) << c.value;
        }
    }
    CSkin skin(std::make_shared<CountingLoader>());
    skin.LoadBytes("[colors]\nTransparentColor=RGB(255,0,255)\nDlgBkColor=rgb(1, 2, 3)\nBad=blue\n",
                   "/s/Skin.txt");
    EXPECT_EQ(skin.GetTransparentColor(), MakeSkinColor(255, 0, 255));
    EXPECT_EQ(skin.GetColor(u"DLGBKCOLOR"), MakeSkinColor(1, 2, 3));
    EXPECT_EQ(skin.GetColor(u"Bad"), 1u);
}

TEST(Skin, PageBackgroundsGetTheDragButton) {
    auto loader = std::make_shared<CountingLoader>();
    loader->files["/s/page.bmp"] = {400, 100};
    loader->files["/s/drag.bmp"] = {4, 2};
    CSkin skin(loader);
    skin.LoadBytes(
        "[Bitmaps]\nPageBkg2_1=page.bmp\nButtonDragin_Up=drag.bmp\n[colors]\n"
        "TransparentColor=RGB(9,9,9)\n",
        "/s/Skin.txt");
    // Paint the drag image: one pixel opaque red, the rest transparent.
    SkinBitmap* drag = skin.MutableBitmap(u"ButtonDragin_Up");
    ASSERT_NE(drag, nullptr);
    drag->SetPixel(1, 1, MakeSkinColor(255, 0, 0));
    ComposePageBackgrounds(skin);
    // Composing loads no page; the first look at one gets it with the button on it.
    EXPECT_EQ(loader->loads.size(), 1u);
    const SkinBitmap* page = skin.GetBitmap(u"PageBkg2_1");
    EXPECT_EQ(page->PixelAt(375, 89), MakeSkinColor(255, 0, 0));
    EXPECT_EQ(page->PixelAt(374, 88), MakeSkinColor(9, 9, 9));  // untouched page pixel
    // Only the 15 page names and the drag image were looked at.
    EXPECT_EQ(loader->loads.size(), 2u);
    // Fetching it again does not paint it twice over a changed pixel.
    skin.MutableBitmap(u"PageBkg2_1")->SetPixel(375, 89, MakeSkinColor(1, 1, 1));
    EXPECT_EQ(skin.GetBitmap(u"PageBkg2_1")->PixelAt(375, 89), MakeSkinColor(1, 1, 1));
}

TEST(Skin, PageLoadedBeforeComposingGetsTheButtonAtOnce) {
    auto loader = std::make_shared<CountingLoader>();
    loader->files["/s/page.bmp"] = {400, 100};
    loader->files["/s/drag.bmp"] = {4, 2};
    CSkin skin(loader);
    skin.LoadBytes(
        "[Bitmaps]\nPageBkg1_0=page.bmp\nButtonDragin_Up=drag.bmp\n[colors]\n"
        "TransparentColor=RGB(9,9,9)\n",
        "/s/Skin.txt");
    skin.MutableBitmap(u"ButtonDragin_Up")->SetPixel(0, 0, MakeSkinColor(0, 255, 0));
    ASSERT_NE(skin.GetBitmap(u"PageBkg1_0"), nullptr);
    ComposePageBackgrounds(skin);
    EXPECT_EQ(skin.GetBitmap(u"PageBkg1_0")->PixelAt(374, 88), MakeSkinColor(0, 255, 0));
}

TEST(Skin, PageWithoutTheDragButtonPictureStaysAsItIs) {
    auto loader = std::make_shared<CountingLoader>();
    loader->files["/s/page.bmp"] = {400, 100};
    CSkin skin(loader);
    skin.LoadBytes("[Bitmaps]\nPageBkg1_0=page.bmp\nButtonDragin_Up=missing.bmp\n", "/s/Skin.txt");
    ComposePageBackgrounds(skin);
    EXPECT_EQ(skin.GetBitmap(u"PageBkg1_0")->PixelAt(374, 88), MakeSkinColor(9, 9, 9));
}

}  // namespace
}  // namespace dedevev

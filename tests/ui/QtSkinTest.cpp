#include "resources/views/QtSkin.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "core/GlobalService.h"
#include "core/TextCodec.h"
#include "resources/Skin.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

constexpr SkinColor kMagenta = MakeSkinColor(255, 0, 255);

std::unique_ptr<QtSkinBitmap> Framed() {
    // 6 x 4, magenta corners, red inside.
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(QColor(200, 0, 0));
    for (QPoint p : {QPoint(0, 0), QPoint(5, 0), QPoint(0, 3), QPoint(5, 3)}) {
        image.setPixel(p, qRgb(255, 0, 255));
    }
    return std::make_unique<QtSkinBitmap>(image);
}

TEST(QtSkin, RegionLeavesOutTheTransparentPixels) {
    const auto bitmap = Framed();
    const QRegion region = RegionFromBitmap(bitmap.get(), QPoint(10, 20), kMagenta);
    EXPECT_FALSE(region.contains(QPoint(10, 20)));
    EXPECT_FALSE(region.contains(QPoint(15, 23)));
    EXPECT_TRUE(region.contains(QPoint(11, 20)));
    EXPECT_TRUE(region.contains(QPoint(10, 21)));
    EXPECT_TRUE(region.contains(QPoint(15, 22)));
    EXPECT_FALSE(region.contains(QPoint(16, 22)));
    EXPECT_TRUE(RegionFromBitmap(nullptr, QPoint(), kMagenta).isEmpty());
}

TEST(QtSkin, TransparentDrawingKeepsWhatIsBehind) {
    const auto bitmap = Framed();
    QImage target(8, 6, QImage::Format_RGB32);
    target.fill(QColor(0, 0, 255));
    {
        QPainter painter(&target);
        DrawTransparentAt(painter, bitmap.get(), QPoint(1, 1), kMagenta);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 255));  // corner left out
    EXPECT_EQ(target.pixel(2, 1), qRgb(200, 0, 0));
    QImage plain(8, 6, QImage::Format_RGB32);
    plain.fill(QColor(0, 0, 255));
    {
        QPainter painter(&plain);
        DrawAt(painter, bitmap.get(), QPoint(1, 1));
        DrawStretched(painter, nullptr, QRect(0, 0, 8, 6));  // nothing to draw: no crash
    }
    EXPECT_EQ(plain.pixel(1, 1), qRgb(255, 0, 255));
    EXPECT_EQ(BitmapSize(bitmap.get()), QSize(6, 4));
}

TEST(QtSkin, LoaderReadsBmpAndPixelsRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.bmp");
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    ASSERT_TRUE(image.save(path, "BMP"));
    QtBitmapLoader loader;
    auto bitmap = loader.Load(path.toStdString());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelAt(2, 1), MakeSkinColor(10, 20, 30));
    bitmap->SetPixel(0, 0, kMagenta);
    EXPECT_EQ(bitmap->PixelAt(0, 0), kMagenta);
    EXPECT_EQ(loader.Load(dir.filePath("missing.bmp").toStdString()), nullptr);
    EXPECT_EQ(loader.CreateBlank(10, 10)->Width(), 10);
}

TEST(QtSkin, SkinnedDialogFrameAndBands) {
    CGlobalService::Instance().SwitchSkin(std::string(DEDEVEV_BIN_DIR) + "/Skin/Skin.txt");
    ISkin* skin = CGlobalService::Instance().Skin();
    QImage image(300, 160, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        PaintSkinnedDialog(painter, image.rect(), "Title");
    }
    const QRgb frame = ToQColor(skin->GetColor(u"DlgTitleBKColor")).rgb();
    for (QPoint p : {QPoint(0, 0), QPoint(3, 80), QPoint(299, 159), QPoint(150, 156)}) {
        EXPECT_EQ(image.pixel(p), frame) << p.x() << "," << p.y();
    }
    // The body below the title strip is Dlg_BK, not what was there before.
    EXPECT_NE(image.pixel(150, 120), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(150, 120), ToQColor(skin->GetBitmap(u"Dlg_BK")->PixelAt(10, 10)).rgb());
}

// Every picture the shipped skins name exists and loads, and both skins name the same set.
TEST(ShippedSkins, EveryEntryLoads) {
    const std::string folder = std::string(DEDEVEV_BIN_DIR) + "/Skin/";
    const TextTable english(folder + "Skin.txt");
    const TextTable indonesian(folder + "SkinIndonesian.txt");
    ASSERT_TRUE(english.ReadToEnd());
    ASSERT_TRUE(indonesian.ReadToEnd());
    for (const char16_t* section : {u"bitmaps", u"icons", u"colors"}) {
        ASSERT_NE(english.Find(section), nullptr);
        ASSERT_NE(indonesian.Find(section), nullptr);
        std::vector<std::u16string> a, b;
        for (const auto& [k, v] : *english.Find(section))
            a.push_back(k);
        for (const auto& [k, v] : *indonesian.Find(section))
            b.push_back(k);
        EXPECT_EQ(a, b) << Utf16ToUtf8(section);
    }
    for (const std::string file : {"Skin.txt", "SkinIndonesian.txt"}) {
        CSkin skin(std::make_shared<QtBitmapLoader>());
        skin.Load(folder + file);
        EXPECT_EQ(skin.GetTransparentColor(), kMagenta);
        const TextTable table(folder + file);
        for (const auto& [name, value] : *table.Find(u"bitmaps")) {
            EXPECT_NE(skin.GetBitmap(name), nullptr) << file << ": " << Utf16ToUtf8(name);
        }
        for (const auto& [name, value] : *table.Find(u"icons")) {
            EXPECT_GT(skin.GetIcon(name)->Width(), 10) << file << ": " << Utf16ToUtf8(name);
        }
        // Names the windows rely on.
        for (const char16_t* name :
             {u"Background", u"Dlg_Title", u"Dlg_BK", u"InitBK", u"PopupWnd", u"Signal0",
              u"Signal6", u"PageBkg5_4", u"ButtonDragin_Up", u"Connected_no", u"MIn_Disable",
              u"Btn_hover", u"BtnBig_Hover"}) {
            EXPECT_NE(skin.GetBitmap(name), nullptr) << Utf16ToUtf8(name);
        }
        for (const char16_t* color :
             {u"DlgBkColor", u"DlgTitleBKColor", u"NavigationText", u"VoiceEditColor"}) {
            EXPECT_NE(skin.GetColor(color), 1u) << Utf16ToUtf8(color);
        }
        const SkinBitmap* page = skin.GetBitmap(u"PageBkg1_0");
        EXPECT_EQ(page->Width(), 719);
        EXPECT_EQ(page->Height(), 368);
        EXPECT_EQ(skin.GetBitmap(u"InitBK")->Width(), 465);
        EXPECT_EQ(skin.GetBitmap(u"InitBK")->Height(), 239);
    }
}

}  // namespace
}  // namespace dedevev

#pragma once
// The skin's bitmaps as Qt images, and the drawing helpers every skinned view shares.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <map>
#include <memory>
#include <string>

#include "resources/Localizer.h"
#include "resources/SkinBitmap.h"

class QPainter;

namespace dedevev {

class QtSkinBitmap : public SkinBitmap {
public:
    explicit QtSkinBitmap(QImage image);
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    SkinColor PixelAt(int x, int y) const override;
    void SetPixel(int x, int y, SkinColor color) override;

    const QImage& Image() const { return image_; }
    const QPixmap& Pixmap() const;
    // The image with every pixel of `transparent` made fully transparent (cached).
    const QPixmap& TransparentPixmap(SkinColor transparent) const;

private:
    QImage image_;
    mutable QPixmap pixmap_;
    mutable std::map<SkinColor, QPixmap> transparent_;
};

// Reads .bmp files with Qt; installed at start-up with SetBitmapLoader.
class QtBitmapLoader : public IBitmapLoader {
public:
    std::unique_ptr<SkinBitmap> Load(const std::string& path) override;
    std::unique_ptr<SkinBitmap> CreateBlank(int width, int height) override;
};
void InstallQtBitmapLoader();

QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);
QColor ToQColor(SkinColor color);
// The current skin's colour `name`, or `fallback` while no skin is loaded.
QColor SkinQColor(const char16_t* name, const QColor& fallback);
// The language file's font; the application font when the face is empty.
QFont ToQFont(const FontSpec& font);

// The current language's text / font, ready for Qt.
QString LocalQText(const char* key, const char* section = "");
QFont LocalFont(const char* name);

QSize BitmapSize(const SkinBitmap* bitmap);
void DrawAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at);
void DrawStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into);
void DrawTransparentAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at,
                       SkinColor transparent);
void DrawTransparentStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into,
                              SkinColor transparent);
// The bitmap's rectangle at `at`, minus every pixel of colour `transparent`.
QRegion RegionFromBitmap(const SkinBitmap* bitmap, QPoint at, SkinColor transparent);

// How every skinned dialog paints itself: "Dlg_Title" stretched over the top at its own
// height, "Dlg_BK" below it, four nested one-pixel frames in "DlgTitleBKColor" at the edge,
// and the title in white at (10, 5) in the language's "Normal" font.
void PaintSkinnedDialog(QPainter& painter, const QRect& rect, const QString& title);

}  // namespace dedevev

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
#include <QStyle>

#include <map>
#include <memory>
#include <string>
#include <string_view>

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
// The current skin's colour `name`, or `fallback` when the skin has no such colour (or no
// skin is loaded yet).
QColor SkinQColor(const char16_t* name, const QColor& fallback);
// The colours every skinned dialog is drawn in, with the stock skin's as stand-ins: the light
// body ("DlgBkColor"), the dark title strip and frame ("DlgTitleBKColor") and the accent of
// buttons ("AccentColor").
QColor DialogBodyColor();
QColor DialogFrameColor();
QColor AccentColor();
// The language file's font; the application font when the face is empty.
QFont ToQFont(const FontSpec& font);

// The current language's text / font, ready for Qt.
QString LocalQText(const char* key, const char* section = "");
QFont LocalFont(const char* name);

// Whether `bitmap` is a picture to draw: not null and not the skin's stand-in for a missing
// one. The helpers below treat a stand-in as no picture (no size, nothing drawn).
bool HasPicture(const SkinBitmap* bitmap);
QSize BitmapSize(const SkinBitmap* bitmap);
void DrawAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at);
void DrawStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into);
void DrawTransparentAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at,
                       SkinColor transparent);
void DrawTransparentStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into,
                              SkinColor transparent);
// The bitmap's rectangle at `at`, minus every pixel of colour `transparent`.
QRegion RegionFromBitmap(const SkinBitmap* bitmap, QPoint at, SkinColor transparent);

// The picture `name` stretched over `into`, or `into` filled with `color` when the skin has
// no such picture.
void DrawPictureOrFill(QPainter& painter, std::u16string_view name, const QRect& into,
                       const QColor& color);
// The icon `name` of the skin without its transparent pixels, or the style's `stand_in` icon
// when the skin has none.
QPixmap SkinIconPixmap(std::u16string_view name, QStyle::StandardPixmap stand_in);

// The height of a skinned dialog's title strip: that of "Dlg_Title", or of the plain strip
// drawn without it.
int DialogTitleHeight();
// How every skinned dialog paints itself: "Dlg_Title" stretched over the top at its own
// height, "Dlg_BK" below it, four nested one-pixel frames in "DlgTitleBKColor" at the edge,
// and the title in white at (10, 5) in the language's "Normal" font. Without those pictures
// the strip and the body are filled with the dialog colours.
void PaintSkinnedDialog(QPainter& painter, const QRect& rect, const QString& title);

}  // namespace dedevev

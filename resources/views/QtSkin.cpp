#include "resources/views/QtSkin.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>

#include <algorithm>

#include "core/GlobalService.h"
#include "core/TextCodec.h"

namespace dedevev {

namespace {

QRgb ToRgb(SkinColor c) {
    return qRgb(SkinRed(c), SkinGreen(c), SkinBlue(c));
}
SkinColor FromRgb(QRgb c) {
    return MakeSkinColor(qRed(c), qGreen(c), qBlue(c));
}

// A picture Qt can draw; never the skin's stand-in for a missing one.
const QtSkinBitmap* AsQt(const SkinBitmap* bitmap) {
    if (bitmap == nullptr || bitmap->IsStandIn())
        return nullptr;
    return dynamic_cast<const QtSkinBitmap*>(bitmap);
}

// The plain title strip drawn without a "Dlg_Title" picture.
constexpr int kPlainTitleHeight = 26;

}  // namespace

QtSkinBitmap::QtSkinBitmap(QImage image) : image_(image.convertToFormat(QImage::Format_RGB32)) {}

SkinColor QtSkinBitmap::PixelAt(int x, int y) const {
    if (!image_.valid(x, y))
        return 0;
    return FromRgb(image_.pixel(x, y));
}

void QtSkinBitmap::SetPixel(int x, int y, SkinColor color) {
    if (!image_.valid(x, y))
        return;
    image_.setPixel(x, y, ToRgb(color));
    pixmap_ = QPixmap();
    transparent_.clear();
}

const QPixmap& QtSkinBitmap::Pixmap() const {
    if (pixmap_.isNull() && !image_.isNull())
        pixmap_ = QPixmap::fromImage(image_);
    return pixmap_;
}

const QPixmap& QtSkinBitmap::TransparentPixmap(SkinColor transparent) const {
    auto it = transparent_.find(transparent);
    if (it != transparent_.end())
        return it->second;
    QImage argb = image_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToRgb(transparent) & 0x00FFFFFF;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == key)
                line[x] = 0;
        }
    }
    return transparent_.emplace(transparent, QPixmap::fromImage(argb)).first->second;
}

std::unique_ptr<SkinBitmap> QtBitmapLoader::Load(const std::string& path) {
    QImage image;
    if (!image.load(QString::fromStdString(path), "BMP") || image.isNull())
        return nullptr;
    return std::make_unique<QtSkinBitmap>(std::move(image));
}

std::unique_ptr<SkinBitmap> QtBitmapLoader::CreateBlank(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return std::make_unique<QtSkinBitmap>(std::move(image));
}

void InstallQtBitmapLoader() {
    SetBitmapLoader(std::make_shared<QtBitmapLoader>());
}

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QColor ToQColor(SkinColor color) {
    return QColor(SkinRed(color), SkinGreen(color), SkinBlue(color));
}

QColor SkinQColor(const char16_t* name, const QColor& fallback) {
    ISkin* skin = CGlobalService::Instance().Skin();
    // GetColor answers 1 for a colour the skin does not name.
    const SkinColor color = skin != nullptr ? skin->GetColor(name) : 1;
    return color != 1 ? ToQColor(color) : fallback;
}

QColor DialogBodyColor() {
    return SkinQColor(u"DlgBkColor", QColor(242, 246, 249));
}

QColor DialogFrameColor() {
    return SkinQColor(u"DlgTitleBKColor", QColor(15, 76, 110));
}

QColor AccentColor() {
    return SkinQColor(u"AccentColor", QColor(31, 181, 190));
}

QFont ToQFont(const FontSpec& font) {
    QFont result = QApplication::font();
    if (!font.face.empty())
        result.setFamily(ToQString(font.face));
    if (font.point_size > 0)
        result.setPointSize(font.point_size);
    return result;
}

QString LocalQText(const char* key, const char* section) {
    return ToQString(LocalText(std::string_view(key), std::string_view(section)));
}

QFont LocalFont(const char* name) {
    return ToQFont(CGlobalService::Instance().Localizer()->GetFont(Utf8ToUtf16(name)));
}

bool HasPicture(const SkinBitmap* bitmap) {
    return AsQt(bitmap) != nullptr;
}

QSize BitmapSize(const SkinBitmap* bitmap) {
    return bitmap != nullptr && !bitmap->IsStandIn() ? QSize(bitmap->Width(), bitmap->Height())
                                                     : QSize();
}

void DrawAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at) {
    if (const QtSkinBitmap* b = AsQt(bitmap))
        painter.drawPixmap(at, b->Pixmap());
}

void DrawStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into) {
    if (const QtSkinBitmap* b = AsQt(bitmap))
        painter.drawPixmap(into, b->Pixmap());
}

void DrawTransparentAt(QPainter& painter, const SkinBitmap* bitmap, QPoint at,
                       SkinColor transparent) {
    if (const QtSkinBitmap* b = AsQt(bitmap))
        painter.drawPixmap(at, b->TransparentPixmap(transparent));
}

void DrawTransparentStretched(QPainter& painter, const SkinBitmap* bitmap, const QRect& into,
                              SkinColor transparent) {
    if (const QtSkinBitmap* b = AsQt(bitmap)) {
        painter.drawPixmap(into, b->TransparentPixmap(transparent));
    }
}

QRegion RegionFromBitmap(const SkinBitmap* bitmap, QPoint at, SkinColor transparent) {
    const QtSkinBitmap* b = AsQt(bitmap);
    if (b == nullptr || b->Image().isNull())
        return QRegion();
    // The mask built for the transparent colour marks the pixels that remain.
    const QImage mask = b->Image().createMaskFromColor(ToRgb(transparent), Qt::MaskInColor);
    QRegion region(QBitmap::fromImage(mask));
    region.translate(at);
    return region;
}

void DrawPictureOrFill(QPainter& painter, std::u16string_view name, const QRect& into,
                       const QColor& color) {
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* picture = skin != nullptr ? skin->GetBitmap(name) : nullptr;
    if (HasPicture(picture))
        DrawStretched(painter, picture, into);
    else
        painter.fillRect(into, color);
}

QPixmap SkinIconPixmap(std::u16string_view name, QStyle::StandardPixmap stand_in) {
    ISkin* skin = CGlobalService::Instance().Skin();
    if (const QtSkinBitmap* icon = AsQt(skin != nullptr ? skin->GetIcon(name) : nullptr))
        return icon->TransparentPixmap(skin->GetTransparentColor());
    return QApplication::style()->standardIcon(stand_in).pixmap(32, 32);
}

int DialogTitleHeight() {
    ISkin* skin = CGlobalService::Instance().Skin();
    const QSize strip = BitmapSize(skin != nullptr ? skin->GetBitmap(u"Dlg_Title") : nullptr);
    return strip.height() > 0 ? strip.height() : kPlainTitleHeight;
}

void PaintSkinnedDialog(QPainter& painter, const QRect& rect, const QString& title) {
    const int strip_height = std::min(DialogTitleHeight(), rect.height());
    DrawPictureOrFill(painter, u"Dlg_Title",
                      QRect(rect.left(), rect.top(), rect.width(), strip_height),
                      DialogFrameColor());
    DrawPictureOrFill(painter, u"Dlg_BK", rect.adjusted(0, strip_height, 0, 0), DialogBodyColor());
    painter.save();
    painter.setPen(DialogFrameColor());
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        painter.drawRect(rect.adjusted(i, i, -i - 1, -i - 1));
    }
    painter.setPen(Qt::white);
    painter.setFont(LocalFont("Normal"));
    painter.drawText(QRect(rect.left() + 10, rect.top() + 5, rect.width() - 20, strip_height),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);
    painter.restore();
}

}  // namespace dedevev

#include "resources/views/SkinButton.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {
constexpr QRgb kDisabledText = 0xC8C8C8;
// A plain button: its caption with this much room on either side, and no smaller than this.
constexpr int kPlainPadding = 14;
constexpr int kPlainMinWidth = 64;
constexpr int kPlainMinHeight = 24;
}  // namespace

CSkinButton::CSkinButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void CSkinButton::SetImages(const SkinBitmap* normal, const SkinBitmap* hover,
                            const SkinBitmap* down, const SkinBitmap* disabled,
                            SkinColor transparent) {
    images_[0] = normal;
    images_[1] = hover;
    images_[2] = down;
    images_[3] = disabled;
    transparent_ = transparent;
    if (HasPicture(normal))
        resize(BitmapSize(normal));
    else if (Plain())
        FitPlainSize();
    updateGeometry();
    update();
}

void CSkinButton::SetCaption(const QString& caption) {
    setText(caption);
    if (Plain())
        FitPlainSize();
    update();
}

void CSkinButton::SetTextColor(const QColor& color) {
    text_color_ = color;
    update();
}

void CSkinButton::SetTextFlags(int flags) {
    text_flags_ = flags;
    update();
}

void CSkinButton::SetFont(const QFont& font) {
    font_ = font;
    if (Plain())
        FitPlainSize();
    update();
}

void CSkinButton::SetTextRect(const QRect& rect) {
    text_rect_ = rect;
    update();
}

void CSkinButton::SetStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void CSkinButton::SetLatched(bool latched) {
    latched_ = latched;
    update();
}

CSkinButton::VisualState CSkinButton::State() const {
    if (!isEnabled())
        return VisualState::kDisabled;
    if (isDown())
        return VisualState::kDown;
    if (hover_)
        return VisualState::kHover;
    return VisualState::kNormal;
}

const SkinBitmap* CSkinButton::ImageFor(VisualState state) const {
    switch (state) {
        case VisualState::kNormal:
            return images_[0];
        case VisualState::kHover:
            if (latched_)
                return images_[2];
            return HasPicture(images_[1]) ? images_[1] : images_[0];
        case VisualState::kDown:
            return images_[2];
        case VisualState::kDisabled:
            return HasPicture(images_[3]) ? images_[3] : images_[0];
    }
    return nullptr;
}

bool CSkinButton::Plain() const {
    // A button given no image at all is a bare text link; one whose image the skin lacks
    // holds the skin's stand-in.
    return images_[0] != nullptr && !HasPicture(images_[0]);
}

void CSkinButton::SetPlainCaption(const QString& caption) {
    plain_caption_ = caption;
    if (Plain())
        FitPlainSize();
    update();
}

QString CSkinButton::ShownCaption() const {
    return Plain() && text().isEmpty() ? plain_caption_ : text();
}

QSize CSkinButton::sizeHint() const {
    if (Plain())
        return PlainSize();
    return images_[0] != nullptr ? BitmapSize(images_[0]) : QSize(75, 23);
}

QFont CSkinButton::CaptionFont() const {
    return font_ ? *font_ : LocalFont("Button");
}

QSize CSkinButton::PlainSize() const {
    // A glyph (or nothing) makes a square button; a caption gets room on either side.
    if (text().isEmpty())
        return QSize(kPlainMinHeight, kPlainMinHeight);
    const QFontMetrics metrics(CaptionFont());
    return QSize(std::max(metrics.horizontalAdvance(text()) + 2 * kPlainPadding, kPlainMinWidth),
                 std::max(metrics.height() + 8, kPlainMinHeight));
}

void CSkinButton::FitPlainSize() {
    resize(PlainSize());
}

void CSkinButton::PaintPlain(QPainter& painter, VisualState state) {
    // A light caption stands on the dark title colour, a dark one on the accent colour.
    QColor fill = text_color_.lightness() > 160 ? DialogFrameColor() : AccentColor();
    if (state == VisualState::kDown || (state == VisualState::kHover && latched_))
        fill = fill.darker(125);
    else if (state == VisualState::kHover)
        fill = fill.lighter(115);
    else if (state == VisualState::kDisabled)
        fill = QColor(0x8A, 0x93, 0x9C);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(fill.darker(140));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.restore();
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const VisualState state = State();
    const bool plain = Plain();
    if (plain) {
        PaintPlain(painter, state);
    } else if (const SkinBitmap* image = ImageFor(state)) {
        if (stretch_) {
            DrawTransparentStretched(painter, image, rect(), transparent_);
        } else {
            DrawTransparentAt(painter, image, QPoint(0, 0), transparent_);
        }
    }
    const QString caption = ShownCaption();
    if (caption.isEmpty())
        return;
    painter.setPen(state == VisualState::kDisabled ? QColor::fromRgb(kDisabledText) : text_color_);
    painter.setFont(CaptionFont());
    // The text rectangle belongs to the picture; a plain button centres its caption.
    const QRect into = plain || text_rect_.isEmpty() ? rect() : text_rect_;
    // drawText never interprets markup, so any caption is shown as it stands.
    painter.drawText(into, plain ? int(Qt::AlignCenter | Qt::TextSingleLine) : text_flags_,
                     caption);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// ---------------------------------------------------------------------------------------

CSkinButtonEx::CSkinButtonEx(QWidget* parent, CGlobalService* service)
    : CSkinButton(parent), CGSEventHandler(service) {}

void CSkinButtonEx::SetImages(const QString& normal, const QString& hover, const QString& down,
                              const QString& disabled) {
    names_[0] = normal;
    names_[1] = hover;
    names_[2] = down;
    names_[3] = disabled;
    OnSkinChanged();
}

void CSkinButtonEx::SetImageSet(const QString& base) {
    SetImages(base + "_Normal", base + "_Hover", base + "_Down", base + "_Disable");
}

void CSkinButtonEx::SetCaption(const char* key, const char* section) {
    key_ = key != nullptr ? key : "";
    section_ = section != nullptr ? section : "";
    OnLanguageChanged();
}

void CSkinButtonEx::OnLanguageChanged() {
    if (!key_.empty())
        SetCaption(LocalQText(key_.c_str(), section_.c_str()));
}

void CSkinButtonEx::OnSkinChanged() {
    ISkin* skin = Skin();
    const SkinBitmap* images[4];
    for (int i = 0; i < 4; ++i)
        images[i] =
            names_[i].isEmpty() ? nullptr : skin->GetBitmapOrDefault(FromQString(names_[i]));
    CSkinButton::SetImages(images[0], images[1], images[2], images[3], skin->GetTransparentColor());
}

// ---------------------------------------------------------------------------------------

CStateButton::CStateButton(QWidget* parent, CGlobalService* service)
    : CSkinButtonEx(parent, service) {}

void CStateButton::AddState(int state, const QString& image_name) {
    for (auto& entry : states_) {
        if (entry.first == state) {
            entry.second = image_name;
            return;
        }
    }
    states_.emplace_back(state, image_name);
}

void CStateButton::SetState(int state) {
    for (const auto& entry : states_) {
        if (entry.first == state) {
            state_ = state;
            SetImages(entry.second, entry.second, entry.second, entry.second);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------

CSignalButton::CSignalButton(QWidget* parent, CGlobalService* service)
    : CStateButton(parent, service) {
    SetTextColor(Qt::white);  // a plain signal button has the dark face of light captions
    for (int level = 0; level <= 6; ++level)
        AddState(level, QString("Signal%1").arg(level));
    SetLevel(0);
}

void CSignalButton::SetLevel(int level) {
    SetState(std::clamp(level, 0, 6));
}

void CSignalButton::paintEvent(QPaintEvent* event) {
    if (!Plain()) {
        CSkinButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // Six rising bars on the dark face, as many lit as the level.
    PaintPlain(painter, VisualState::kNormal);
    constexpr int kBars = 6;
    const int bar_width = std::max((width() - 6) / kBars, 1);
    const int floor = height() - 4;
    for (int i = 0; i < kBars; ++i) {
        const int bar_height = (floor - 3) * (i + 1) / kBars;
        painter.fillRect(QRect(3 + i * bar_width, floor - bar_height, bar_width - 1, bar_height),
                         i < Level() ? QColor(Qt::white) : QColor(255, 255, 255, 60));
    }
}

}  // namespace dedevev

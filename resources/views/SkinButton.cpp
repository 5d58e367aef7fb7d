#include "resources/views/SkinButton.h"

#include <QPainter>

#include <algorithm>

#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {
constexpr QRgb kDisabledText = 0xC8C8C8;
}

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
    if (normal != nullptr)
        resize(BitmapSize(normal));
    updateGeometry();
    update();
}

void CSkinButton::SetCaption(const QString& caption) {
    setText(caption);
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
            return images_[1] != nullptr ? images_[1] : images_[0];
        case VisualState::kDown:
            return images_[2];
        case VisualState::kDisabled:
            return images_[3] != nullptr ? images_[3] : images_[0];
    }
    return nullptr;
}

QSize CSkinButton::sizeHint() const {
    if (images_[0] != nullptr)
        return BitmapSize(images_[0]);
    return QSize(75, 23);
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const VisualState state = State();
    if (const SkinBitmap* image = ImageFor(state)) {
        if (stretch_) {
            DrawTransparentStretched(painter, image, rect(), transparent_);
        } else {
            DrawTransparentAt(painter, image, QPoint(0, 0), transparent_);
        }
    }
    const QString caption = text();
    if (caption.isEmpty())
        return;
    painter.setPen(state == VisualState::kDisabled ? QColor::fromRgb(kDisabledText) : text_color_);
    painter.setFont(font_ ? *font_ : LocalFont("Button"));
    // drawText never interprets markup, so any caption is shown as it stands.
    painter.drawText(text_rect_.isEmpty() ? rect() : text_rect_, text_flags_, caption);
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
    for (int level = 0; level <= 6; ++level)
        AddState(level, QString("Signal%1").arg(level));
    SetLevel(0);
}

void CSignalButton::SetLevel(int level) {
    SetState(std::clamp(level, 0, 6));
}

}  // namespace dedevev

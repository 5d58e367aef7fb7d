#include "mainwindow/SkinImageButton.h"

#include <QPainter>

#include "core/GlobalService.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

SkinImageButton::SkinImageButton(QString normal, QString hover, QString down, QString disabled,
                                 QWidget* parent)
    : QAbstractButton(parent), names_{normal, hover, down, disabled} {
    setCursor(Qt::PointingHandCursor);
    ReloadImages();
}

void SkinImageButton::ReloadImages() {
    const SkinBitmap* normal =
        CGlobalService::Instance().Skin()->GetBitmapOrDefault(FromQString(names_[0]));
    setFixedSize(BitmapSize(normal));
    update();
}

QSize SkinImageButton::sizeHint() const {
    return BitmapSize(
        CGlobalService::Instance().Skin()->GetBitmapOrDefault(FromQString(names_[0])));
}

void SkinImageButton::paintEvent(QPaintEvent*) {
    int state = 0;
    if (!isEnabled()) {
        state = 3;
    } else if (isDown()) {
        state = 2;
    } else if (hover_) {
        state = 1;
    }
    ISkin* skin = CGlobalService::Instance().Skin();
    const SkinBitmap* bitmap = skin->GetBitmap(FromQString(names_[state]));
    if (bitmap == nullptr)
        bitmap = skin->GetBitmapOrDefault(FromQString(names_[0]));
    QPainter painter(this);
    DrawTransparentStretched(painter, bitmap, rect(), skin->GetTransparentColor());
}

void SkinImageButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SkinImageButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace dedevev

#pragma once
// Shared set-up of the window-layer tests: the English texts and the default skin, and
// drawing a widget to look at its pixels.

#include <QImage>
#include <QWidget>

#include <string>

#include "core/GlobalService.h"

namespace dedevev::test {

inline void UseDefaultSkinAndLanguage() {
    const std::string bin = DEDEVEV_BIN_DIR;
    CGlobalService& service = CGlobalService::Instance();
    service.SwitchLanguage(bin + "/Localize/English.txt");
    service.SwitchSkin(bin + "/Skin/Skin.txt");
}

// What shows where a widget draws nothing.
inline constexpr QRgb kBackdrop = 0xFF123456;

// The widget and its children drawn over kBackdrop.
inline QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(kBackdrop);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

}  // namespace dedevev::test

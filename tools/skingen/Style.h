#pragma once
// Colours and geometry of the default skin. The skin text files name the same colours, and the
// main window lays its controls out on the bands below, so keep them in step.

#include <QColor>
#include <QRect>

namespace skingen {

// The transparent colour of the skin: pixels of this colour are left out when a bitmap is
// drawn and cut out of a window's or button's outline.
inline const QColor kKey(255, 0, 255);

// Palette: deep navy caption, blue bands, a blue-to-teal body, teal accents, light dialogs.
inline const QColor kCaption(10, 37, 64);
inline const QColor kMenuBar(14, 48, 80);
inline const QColor kNavStrip(17, 58, 94);
inline const QColor kPanelTop(15, 62, 99);
inline const QColor kPanelBottom(13, 94, 110);
inline const QColor kAccent(31, 181, 190);
inline const QColor kAccentLight(141, 228, 230);
inline const QColor kGlyph(255, 255, 255);
inline const QColor kNavText(232, 244, 250);
inline const QColor kDlgBody(242, 246, 249);
inline const QColor kDlgTitle(15, 76, 110);
inline const QColor kDlgTitleTop(22, 98, 136);
inline const QColor kInk(11, 37, 69);
inline const QColor kVoiceEdit(226, 240, 246);
inline const QColor kDanger(214, 52, 64);
inline const QColor kSuccess(36, 178, 110);
inline const QColor kWarning(240, 170, 40);

// Teal button faces (top, bottom) per state.
struct Face {
    QColor top;
    QColor bottom;
    QColor edge;
};
inline const Face kFaceNormal{QColor(28, 167, 184), QColor(14, 127, 146), QColor(10, 100, 116)};
inline const Face kFaceHover{QColor(52, 196, 208), QColor(24, 152, 169), QColor(16, 122, 138)};
inline const Face kFaceDown{QColor(11, 102, 118), QColor(10, 86, 100), QColor(8, 70, 82)};
inline const Face kFaceDisable{QColor(130, 143, 156), QColor(112, 125, 138), QColor(96, 108, 120)};

// Main window: 735 x 513, rounded corners, four horizontal bands and two side borders.
constexpr int kMainWidth = 735;
constexpr int kMainHeight = 513;
constexpr int kCornerRadius = 10;
constexpr int kBorder = 8;          // left and right border width
constexpr int kCaptionHeight = 35;  // y 0..35: caption (double-click area)
constexpr int kMenuTop = 35;        // y 35..63: menu bar
constexpr int kMenuHeight = 28;
constexpr int kNavTop = 63;  // y 63..135: navigation strip
constexpr int kNavHeight = 72;
constexpr int kPanelY = 135;  // y 135..503: the 719 x 368 module area
constexpr int kPanelWidth = 719;
constexpr int kPanelHeight = 368;
constexpr int kBottomHeight = 10;  // y 503..513
constexpr int kSideHeight = kNavHeight + kPanelHeight;

// Button sizes.
constexpr QSize kCaptionButton(30, 24);
constexpr QSize kMenuButton(76, 22);
constexpr QSize kNavButton(84, 64);
constexpr QSize kConnectButton(168, 48);
constexpr QSize kBtn(54, 24);
constexpr QSize kBtnBig(160, 40);
constexpr QSize kBtnBigLogo(220, 64);
constexpr QSize kDlgClose(20, 20);
constexpr QSize kSignal(36, 22);
constexpr QSize kSmsIndicator(26, 22);

// Dialog pieces (stretched by the dialogs).
constexpr QSize kDlgTitleSize(64, 28);
constexpr QSize kDlgBkSize(64, 64);

// Other windows.
constexpr QSize kInitBk(465, 239);
constexpr QSize kPopup(260, 150);

// Page backgrounds: a tab strip over a light body; tab k of i spans x = kTabLeft + k * kTabPitch
// with width kTabWidth, y kTabTop..kTabBottom.
constexpr int kTabLeft = 8;
constexpr int kTabPitch = 114;
constexpr int kTabWidth = 110;
constexpr int kTabTop = 4;
constexpr int kTabBottom = 32;
constexpr QSize kDragHandle(10, 40);  // "ButtonDragin_Up", laid into the pages at (374, 88)

}  // namespace skingen

// Large pictures: the main window and its frame pieces, module page backgrounds, the dialog
// title strip and body, the start-up window and the pop-up notice.

#include <QRadialGradient>
#include <string>

#include "Manifest.h"
#include "Paint.h"

namespace skingen {

namespace {

const QRect kPanel(kBorder, kPanelY, kPanelWidth, kPanelHeight);
const QRect kNav(kBorder, kNavTop, kPanelWidth, kNavHeight);

QLinearGradient BorderGradient() {
    return Vertical(QRectF(0, kNavTop, 1, kMainHeight - kNavTop), kMenuBar,
                    kPanelBottom.darker(135));
}

QLinearGradient PanelGradient() {
    QLinearGradient g(kPanel.topLeft(), kPanel.bottomRight());
    g.setColorAt(0, kPanelTop);
    g.setColorAt(1, kPanelBottom);
    return g;
}

// The whole main window. `shaped` rounds the corners and adds the caption emblem; the frame
// pieces are cut from the unshaped drawing so that they stretch cleanly.
QImage MainWindowArt(bool shaped) {
    QImage art = Canvas(QSize(kMainWidth, kMainHeight));
    Pen p(&art);
    const QRectF whole(0, 0, kMainWidth, kMainHeight);
    if (shaped) {
        p.setClipPath(Rounded(whole, kCornerRadius));
    }
    p.fillRect(QRectF(0, 0, kMainWidth, kCaptionHeight), kCaption);
    p.fillRect(QRectF(0, kMenuTop, kMainWidth, kMenuHeight), kMenuBar);
    p.fillRect(QRectF(0, kNavTop, kMainWidth, kMainHeight - kNavTop), BorderGradient());
    p.fillRect(kNav, kNavStrip);
    p.fillRect(kPanel, PanelGradient());

    // Decoration of the module area: radio waves spreading from its lower right corner.
    p.save();
    p.setClipRect(kPanel);
    DrawWaves(p, QPointF(kPanel.right() - 40, kPanel.bottom() + 30), 70, 46, 7,
              QColor(255, 255, 255, 26));
    QRadialGradient glow(QPointF(kPanel.left() + 180, kPanel.top() + 90), 320);
    glow.setColorAt(0, QColor(255, 255, 255, 18));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(kPanel, glow);
    p.restore();

    // Accent lines: under the caption and under the navigation strip.
    QColor accent = kAccent;
    accent.setAlpha(150);
    p.fillRect(QRectF(0, kCaptionHeight - 1, kMainWidth, 1), accent);
    accent.setAlpha(90);
    p.fillRect(QRectF(kNav.left(), kNav.bottom(), kNav.width(), 1), accent);
    // A hairline round the module area.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(kPanel).adjusted(-0.5, -0.5, 0.5, 0.5));

    if (shaped) {
        DrawEmblem(p, QRectF(10, 6, 22, 22));
        p.setClipping(false);
        p.setPen(QPen(kCaption.darker(160), 1));
        p.drawPath(Rounded(whole.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius));
    }
    return art;
}

QImage FramePiece(const QRect& area) {
    return Flat(MainWindowArt(false), kCaption).copy(area);
}

// Page background of a module with `count` tabs, tab `active` raised.
QImage PageBackground(int count, int active) {
    QImage art = Canvas(QSize(kPanelWidth, kPanelHeight));
    Pen p(&art);
    const QColor strip(225, 233, 240);
    const QColor idle(201, 215, 226);
    const QColor line(176, 195, 211);
    p.fillRect(art.rect(), kDlgBody);
    p.fillRect(QRectF(0, 0, kPanelWidth, kTabBottom), strip);
    p.fillRect(QRectF(0, kTabBottom - 1, kPanelWidth, 1), line);
    for (int k = 0; k < count; ++k) {
        const QRectF tab(kTabLeft + k * kTabPitch, kTabTop, kTabWidth, kTabBottom - kTabTop + 6);
        QPainterPath shape = Rounded(tab, 6);
        p.setClipRect(QRectF(0, 0, kPanelWidth, kTabBottom + (k == active ? 1 : 0)));
        if (k == active) {
            p.setPen(QPen(line, 1));
            p.setBrush(kDlgBody);
            p.drawPath(shape.translated(0.5, 0.5));
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.setClipRect(QRectF(tab.left(), tab.top(), tab.width(), 3));
            p.drawPath(Rounded(tab.adjusted(0.5, 0.5, -0.5, 0), 6));
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(idle);
            p.drawPath(shape.translated(0, 3));
        }
        p.setClipping(false);
    }
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kPanelWidth - 1, kPanelHeight - 1));
    return Flat(art, kDlgBody);
}

QImage DragHandle() {
    QImage art = Canvas(kDragHandle);
    Pen p(&art);
    const QRectF body(0.5, 0.5, kDragHandle.width() - 1, kDragHandle.height() - 1);
    p.setPen(QPen(QColor(150, 172, 192), 1));
    p.setBrush(Vertical(body, QColor(214, 225, 234), QColor(196, 211, 223)));
    p.drawPath(Rounded(body, 4.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 121, 144));
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF(body.center().x(), body.center().y() - 7 + 7 * i), 1.6, 1.6);
    }
    return Keyed(art, kDlgBody);
}

QImage DialogTitle() {
    QImage art = Canvas(kDlgTitleSize);
    Pen p(&art);
    const QRectF r(0, 0, kDlgTitleSize.width(), kDlgTitleSize.height());
    p.fillRect(r, Vertical(r, kDlgTitleTop, kDlgTitle));
    QColor accent = kAccent;
    accent.setAlpha(170);
    p.fillRect(QRectF(0, r.bottom() - 1, r.width(), 1), accent);
    return Flat(art, kDlgTitle);
}

QImage DialogBody() {
    QImage image(kDlgBkSize, QImage::Format_RGB32);
    image.fill(kDlgBody);
    return image;
}

// Start-up window: the logo over a deep gradient, and a light band at the bottom where the
// progress text and bar sit.
QImage StartupWindow(const QColor& accent) {
    QImage art = Canvas(kInitBk);
    Pen p(&art);
    const int band = 70;
    const QRectF top(0, 0, kInitBk.width(), kInitBk.height() - band);
    QLinearGradient g(top.topLeft(), top.bottomRight());
    g.setColorAt(0, kCaption);
    g.setColorAt(0.55, kPanelTop);
    g.setColorAt(1, kPanelBottom);
    p.fillRect(top, g);
    p.save();
    p.setClipRect(top);
    DrawWaves(p, QPointF(top.right() - 30, top.bottom() + 10), 40, 34, 6,
              QColor(255, 255, 255, 30));
    p.restore();

    const qreal mark = 38;
    const qreal emblem = 66;
    const qreal width = emblem + 18 + WordMarkAspect() * mark;
    const qreal left = (kInitBk.width() - width) / 2;
    const qreal centreY = top.height() / 2 + 2;
    DrawEmblem(p, QRectF(left, centreY - emblem / 2, emblem, emblem), accent);
    DrawWordMark(p, QRectF(left + emblem + 18, centreY - mark / 2, width, mark), Qt::white,
                 accent.lighter(150));

    const QRectF bottom(0, top.bottom(), kInitBk.width(), band);
    p.fillRect(bottom, Vertical(bottom, QColor(240, 245, 249), QColor(228, 236, 242)));
    p.fillRect(QRectF(0, top.bottom(), kInitBk.width(), 2), accent);
    return Flat(art, kDlgBody);
}

QImage PopupNotice() {
    QImage art = Canvas(kPopup);
    Pen p(&art);
    const QRectF all(0, 0, kPopup.width(), kPopup.height());
    const qreal header = 36;
    p.fillRect(all, Vertical(all, Qt::white, QColor(238, 244, 248)));
    const QRectF head(0, 0, all.width(), header);
    p.fillRect(head, Vertical(head, QColor(234, 244, 250), QColor(212, 232, 243)));
    p.fillRect(QRectF(0, header - 1, all.width(), 1), QColor(168, 203, 222));
    DrawGlyph(p, Glyph::Bell, QRectF(8, 8, 20, 20), QColor(19, 138, 153));
    p.setPen(QPen(kDlgTitle, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
    return Flat(art, Qt::white);
}

void Add(Manifest& out, std::string name, std::function<QImage()> draw,
         Variant variant = Variant::Both, std::string file = {}) {
    if (file.empty()) {
        file = Lower(name) + ".bmp";
    }
    out.push_back(Picture{{std::move(name)}, file, std::move(draw), SkinSection::Bitmaps, variant});
}

}  // namespace

void AddFramePictures(Manifest& out) {
    Add(out, "Background", [] { return Keyed(MainWindowArt(true), std::nullopt); });
    Add(out, "back_top", [] { return FramePiece(QRect(0, 0, kMainWidth, kCaptionHeight)); });
    Add(out, "back_menu", [] { return FramePiece(QRect(0, kMenuTop, kMainWidth, kMenuHeight)); });
    Add(out, "back_Left", [] { return FramePiece(QRect(0, kNavTop, kBorder, kSideHeight)); });
    Add(out, "back_Right",
        [] { return FramePiece(QRect(kMainWidth - kBorder, kNavTop, kBorder, kSideHeight)); });
    Add(out, "back_bottom", [] {
        return FramePiece(QRect(0, kMainHeight - kBottomHeight, kMainWidth, kBottomHeight));
    });
    for (int i = 1; i <= 5; ++i) {
        for (int j = 0; j < i; ++j) {
            Add(out, "PageBkg" + std::to_string(i) + "_" + std::to_string(j),
                [i, j] { return PageBackground(i, j); });
        }
    }
    Add(out, "ButtonDragin_Up", DragHandle);
    Add(out, "Dlg_Title", DialogTitle);
    Add(out, "Dlg_BK", DialogBody);
    Add(out, "PopupWnd", PopupNotice);
    Add(
        out, "InitBK", [] { return StartupWindow(kAccent); }, Variant::English);
    Add(
        out, "InitBK", [] { return StartupWindow(QColor(206, 17, 38)); }, Variant::Indonesian,
        "initbk_id.bmp");
}

}  // namespace skingen

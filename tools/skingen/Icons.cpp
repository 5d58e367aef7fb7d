// Signal levels, the message indicators of the main window and the pictures of the "Icons"
// section (list flags, tray and window icons, message-box symbols).

#include <string>

#include "Manifest.h"
#include "Paint.h"

namespace skingen {

namespace {

// Five bars rising to the right; `lit` of them bright. Level 0 shows a red cross, level 6
// (the strongest) lights every bar in the accent colour.
QImage SignalLevel(int level) {
    QImage art = Canvas(kSignal);
    Pen p(&art);
    const int bars = 5;
    const int lit = level >= 6 ? bars : level;
    const QColor on = level >= 6 ? kAccentLight : QColor(255, 255, 255);
    for (int i = 0; i < bars; ++i) {
        const qreal h = 5 + 3.5 * i;
        const QRectF bar(7 + 6 * i, kSignal.height() - 2 - h, 4.5, h);
        p.setPen(Qt::NoPen);
        p.setBrush(i < lit ? on : Over(QColor(255, 255, 255, 60), kMenuBar));
        p.drawPath(Rounded(bar, 1.2));
    }
    if (level <= 0) {
        DrawGlyph(p, Glyph::Cross, QRectF(0, 0, 13, 13), QColor(255, 96, 96));
    }
    return Keyed(art, kMenuBar);
}

// A filled white envelope with a coloured badge at its upper right.
QImage MessageIndicator(bool full) {
    QImage art = Canvas(kSmsIndicator);
    Pen p(&art);
    const QRectF body(2, 6, 19, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(Rounded(body, 2));
    p.setPen(QPen(kMenuBar, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath flap(QPointF(body.left() + 1.5, body.top() + 1.5));
    flap.lineTo(body.center().x(), body.top() + 8);
    flap.lineTo(body.right() - 1.5, body.top() + 1.5);
    p.drawPath(flap);
    const QRectF badge(kSmsIndicator.width() - 11, 1, 10, 10);
    p.setPen(QPen(kMenuBar, 1.2));
    p.setBrush(full ? kDanger : kWarning);
    p.drawEllipse(badge);
    if (full) {
        DrawGlyph(p, Glyph::Exclamation, badge.adjusted(1, 1, -1, -1), Qt::white);
    }
    return Keyed(art, kMenuBar);
}

// A symbol on a filled disc, as the message box and tray use them.
QImage Disc(int size, const QColor& fill, Glyph glyph, const QColor& ink,
            std::optional<QColor> backdrop) {
    QImage art = Canvas(QSize(size, size));
    Pen p(&art);
    const QRectF r(1, 1, size - 2, size - 2);
    p.setPen(QPen(fill.darker(125), 1));
    p.setBrush(Vertical(r, fill.lighter(118), fill));
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    DrawGlyph(p, glyph, r.adjusted(size * 0.12, size * 0.12, -size * 0.12, -size * 0.12), ink);
    return Keyed(art, backdrop);
}

QImage WarningSign(int size) {
    QImage art = Canvas(QSize(size, size));
    Pen p(&art);
    QPainterPath tri;
    tri.moveTo(size * 0.5, size * 0.06);
    tri.lineTo(size * 0.96, size * 0.9);
    tri.lineTo(size * 0.04, size * 0.9);
    tri.closeSubpath();
    p.setPen(QPen(kWarning.darker(125), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vertical(QRectF(0, 0, size, size), kWarning.lighter(115), kWarning));
    p.drawPath(tri);
    DrawGlyph(p, Glyph::Exclamation, QRectF(size * 0.28, size * 0.3, size * 0.44, size * 0.5),
              kInk);
    return Keyed(art, kDlgBody);
}

QImage Emblem(int size, std::optional<QColor> backdrop, bool connectedDot) {
    QImage art = ProgramIcon(size);
    if (connectedDot) {
        Pen p(&art);
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(kSuccess);
        p.drawEllipse(QRectF(size * 0.6, size * 0.6, size * 0.36, size * 0.36));
    }
    return Keyed(art, backdrop);
}

// A 16 x 16 list icon: one glyph in one colour, on white list rows.
QImage Small(Glyph glyph, const QColor& color) {
    QImage art = Canvas(QSize(16, 16));
    Pen p(&art);
    DrawGlyph(p, glyph, QRectF(0, 0, 16, 16), color);
    return Keyed(art, QColor(Qt::white));
}

QImage UnreadMessage() {
    QImage art = Canvas(QSize(16, 16));
    Pen p(&art);
    const QRectF body(1.5, 3.5, 13, 9.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(19, 138, 153));
    p.drawPath(Rounded(body, 1.5));
    p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath flap(QPointF(body.left() + 1.5, body.top() + 1.5));
    flap.lineTo(body.center().x(), body.top() + 5.5);
    flap.lineTo(body.right() - 1.5, body.top() + 1.5);
    p.drawPath(flap);
    return Keyed(art, QColor(Qt::white));
}

QImage SentMessage() {
    QImage art = Canvas(QSize(16, 16));
    Pen p(&art);
    DrawGlyph(p, Glyph::Envelope, QRectF(-1, 1, 15, 15), QColor(42, 111, 176));
    p.setPen(Qt::NoPen);
    p.setBrush(kSuccess);
    p.drawEllipse(QRectF(8, 0, 8, 8));
    DrawGlyph(p, Glyph::Check, QRectF(8, 0, 8, 8), Qt::white);
    return Keyed(art, QColor(Qt::white));
}

// A folder in two tones: the back with its tab darker, the front lighter (tilted when open).
QImage FolderIcon(bool open) {
    QImage art = Canvas(QSize(16, 16));
    Pen p(&art);
    const QColor back(52, 132, 184);
    const QColor front(104, 182, 226);
    QPainterPath rear;
    rear.moveTo(1.5, 3);
    rear.lineTo(6, 3);
    rear.lineTo(7.5, 4.5);
    rear.lineTo(14.5, 4.5);
    rear.lineTo(14.5, 13.5);
    rear.lineTo(1.5, 13.5);
    rear.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawPath(rear);
    QPainterPath face;
    if (open) {
        face.moveTo(3.5, 7);
        face.lineTo(15.5, 7);
        face.lineTo(13.5, 13.5);
        face.lineTo(1.5, 13.5);
    } else {
        face.addRect(QRectF(1.5, 6, 13, 7.5));
    }
    face.closeSubpath();
    p.setBrush(front);
    p.drawPath(face);
    return Keyed(art, QColor(Qt::white));
}

void AddIcon(Manifest& out, const std::string& name, std::function<QImage()> draw) {
    out.push_back(
        Picture{{name}, "icon_" + Lower(name) + ".bmp", std::move(draw), SkinSection::Icons});
}

}  // namespace

QImage ProgramIcon(int size) {
    QImage art = Canvas(QSize(size, size));
    Pen p(&art);
    DrawEmblem(p, QRectF(0.5, 0.5, size - 1, size - 1));
    return art;
}

void AddIconPictures(Manifest& out) {
    for (int level = 0; level <= 6; ++level) {
        const std::string name = "Signal" + std::to_string(level);
        out.push_back(
            Picture{{name}, Lower(name) + ".bmp", [level] { return SignalLevel(level); }});
    }
    out.push_back(Picture{{"NewSMS"}, "newsms.bmp", [] { return MessageIndicator(false); }});
    out.push_back(Picture{{"SMSFull"}, "smsfull.bmp", [] { return MessageIndicator(true); }});

    const QColor teal(19, 138, 153);
    AddIcon(out, "MainIcon", [] { return Emblem(32, std::nullopt, false); });
    AddIcon(out, "TrayIcon", [] { return Emblem(32, std::nullopt, false); });
    AddIcon(out, "TrayConnected", [] { return Emblem(32, std::nullopt, true); });
    AddIcon(out, "CaptionLogo", [] { return Emblem(22, kCaption, false); });
    AddIcon(out, "SmsRead", [] { return Small(Glyph::EnvelopeOpen, QColor(110, 133, 152)); });
    AddIcon(out, "SmsUnread", UnreadMessage);
    AddIcon(out, "SmsOut", SentMessage);
    AddIcon(out, "Contact", [teal] { return Small(Glyph::Person, teal); });
    AddIcon(out, "CallIn", [] { return Small(Glyph::ArrowIn, kSuccess.darker(110)); });
    AddIcon(out, "CallOut", [] { return Small(Glyph::ArrowOut, QColor(42, 111, 176)); });
    AddIcon(out, "CallMissed", [] { return Small(Glyph::ArrowMissed, kDanger); });
    AddIcon(out, "Folder", [] { return FolderIcon(false); });
    AddIcon(out, "FolderOpen", [] { return FolderIcon(true); });
    AddIcon(out, "Web", [teal] { return Small(Glyph::Globe, teal); });
    AddIcon(out, "MsgInfo",
            [] { return Disc(32, QColor(42, 111, 176), Glyph::Info, Qt::white, kDlgBody); });
    AddIcon(out, "MsgQuestion",
            [teal] { return Disc(32, teal, Glyph::Question, Qt::white, kDlgBody); });
    AddIcon(out, "MsgWarning", [] { return WarningSign(32); });
    AddIcon(out, "MsgError", [] { return Disc(32, kDanger, Glyph::Cross, Qt::white, kDlgBody); });
}

}  // namespace skingen

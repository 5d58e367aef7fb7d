// Four-state button sets and the single-picture logo button.

#include <string>

#include "Manifest.h"
#include "Paint.h"

namespace skingen {

const char* Suffix(State state) {
    switch (state) {
        case State::Normal:
            return "Normal";
        case State::Hover:
            return "Hover";
        case State::Down:
            return "Down";
        case State::Disable:
            return "Disable";
    }
    return "";
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

void AddButtonSet(Manifest& out, const std::string& base, std::function<QImage(State)> draw,
                  bool lowerHover) {
    for (State state : kStates) {
        const std::string name = base + "_" + Suffix(state);
        Picture picture{{name}, Lower(name) + ".bmp", [draw, state] { return draw(state); }};
        if (state == State::Hover && lowerHover) {
            picture.names.push_back(base + "_hover");
        }
        out.push_back(std::move(picture));
    }
}

namespace {

const Face& FaceOf(State state) {
    switch (state) {
        case State::Hover:
            return kFaceHover;
        case State::Down:
            return kFaceDown;
        case State::Disable:
            return kFaceDisable;
        case State::Normal:
            break;
    }
    return kFaceNormal;
}

QColor White(int alpha) {
    return QColor(255, 255, 255, alpha);
}

// A flat tile on a dark band: `idle` lift when idle (0: the band itself, but still solid so
// that the whole tile reacts to the mouse), brighter on hover, teal when pressed.
void DrawTile(QPainter& p, const QRectF& r, qreal radius, State state, const QColor& band, int idle,
              const QColor& hover, const QColor& down) {
    QColor fill;
    switch (state) {
        case State::Normal:
            fill = White(idle);
            break;
        case State::Hover:
            fill = hover;
            break;
        case State::Down:
            fill = down;
            break;
        case State::Disable:
            fill = White(idle / 2);
            break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Over(fill, band));
    p.drawPath(Rounded(r, radius));
    if (state == State::Hover || state == State::Down) {
        p.setPen(QPen(White(state == State::Down ? 40 : 55), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(r.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    }
}

QColor GlyphColor(State state) {
    return state == State::Disable ? White(90) : White(240);
}

QImage CaptionButton(Glyph glyph, State state, bool danger) {
    QImage art = Canvas(kCaptionButton);
    Pen p(&art);
    const QRectF r(0, 0, kCaptionButton.width(), kCaptionButton.height());
    QColor hover = danger ? kDanger : White(40);
    QColor down = danger ? kDanger.darker(130) : QColor(0, 0, 0, 70);
    DrawTile(p, r, 5, state, kCaption, 0, hover, down);
    DrawGlyph(p, glyph, QRectF(5, 2, 20, 20), GlyphColor(state));
    return Keyed(art, kCaption);
}

QImage MenuButton(State state) {
    QImage art = Canvas(kMenuButton);
    Pen p(&art);
    QColor down = kAccent;
    down.setAlpha(150);
    DrawTile(p, QRectF(0, 0, kMenuButton.width(), kMenuButton.height()), 5, state, kMenuBar, 0,
             White(34), down);
    return Keyed(art, kMenuBar);
}

// Navigation tile: glyph in the upper part, the caption is drawn by the button below it
// (text rectangle 0,40 .. 84,62).
QImage NavButton(Glyph glyph, State state) {
    QImage art = Canvas(kNavButton);
    Pen p(&art);
    QColor down = kAccent;
    down.setAlpha(170);
    const QRectF r(0, 0, kNavButton.width(), kNavButton.height());
    DrawTile(p, r, 8, state, kNavStrip, 14, White(30), down);
    if (state == State::Hover) {
        p.fillRect(QRectF(22, r.bottom() - 3, r.width() - 44, 2), kAccentLight);
    }
    const QColor color = state == State::Hover ? kAccentLight.lighter(115) : GlyphColor(state);
    DrawGlyph(p, glyph, QRectF(26, 6, 32, 32), color);
    return Keyed(art, kNavStrip);
}

// The connect button: a pill with a power disc at its left; caption text at x 50..160.
QImage ConnectButton(State state) {
    static const Face kNo{QColor(56, 212, 178), QColor(20, 150, 136), QColor(14, 116, 106)};
    static const Face kOver{QColor(86, 230, 198), QColor(32, 174, 156), QColor(20, 132, 120)};
    static const Face kDown{QColor(16, 124, 114), QColor(12, 102, 94), QColor(8, 82, 76)};
    const Face& face = state == State::Normal  ? kNo
                       : state == State::Hover ? kOver
                       : state == State::Down  ? kDown
                                               : kFaceDisable;
    QImage art = Canvas(kConnectButton);
    Pen p(&art);
    const QRectF r(0, 0, kConnectButton.width(), kConnectButton.height());
    DrawFace(p, r, r.height() / 2, face);
    const QRectF disc(6, 6, 36, 36);
    p.setPen(Qt::NoPen);
    p.setBrush(White(state == State::Disable ? 30 : 55));
    p.drawEllipse(disc);
    DrawGlyph(p, Glyph::Power, disc.adjusted(4, 4, -4, -4),
              state == State::Disable ? White(150) : Qt::white);
    // It stands on the module area's gradient; blend its edge into the gradient's middle.
    const QColor backdrop((kPanelTop.red() + kPanelBottom.red()) / 2,
                          (kPanelTop.green() + kPanelBottom.green()) / 2,
                          (kPanelTop.blue() + kPanelBottom.blue()) / 2);
    return Keyed(art, backdrop);
}

QImage PushButton(QSize size, qreal radius, State state) {
    QImage art = Canvas(size);
    Pen p(&art);
    DrawFace(p, QRectF(0, 0, size.width(), size.height()), radius, FaceOf(state));
    return Keyed(art, kDlgBody);
}

QImage DialogClose(State state) {
    QImage art = Canvas(kDlgClose);
    Pen p(&art);
    const QRectF r(1, 1, kDlgClose.width() - 2, kDlgClose.height() - 2);
    // The close button sits on the title strip: blend it into the strip's middle tone.
    const QColor strip((kDlgTitleTop.red() + kDlgTitle.red()) / 2,
                       (kDlgTitleTop.green() + kDlgTitle.green()) / 2,
                       (kDlgTitleTop.blue() + kDlgTitle.blue()) / 2);
    const QColor disc = state == State::Hover  ? kDanger
                        : state == State::Down ? kDanger.darker(130)
                                               : White(state == State::Disable ? 12 : 30);
    p.setPen(Qt::NoPen);
    p.setBrush(Over(disc, strip));
    p.drawEllipse(r);
    DrawGlyph(p, Glyph::Close, r.adjusted(1, 1, -1, -1), GlyphColor(state));
    return Keyed(art, strip);
}

QImage LogoButton(const QColor& accent) {
    QImage art = Canvas(kBtnBigLogo);
    Pen p(&art);
    const qreal h = kBtnBigLogo.height();
    DrawEmblem(p, QRectF(4, 4, h - 8, h - 8), accent);
    DrawWordMark(p, QRectF(h + 6, h / 2 - 15, kBtnBigLogo.width() - h - 10, 30), kInk,
                 accent.darker(115));
    return Keyed(art, kDlgBody);
}

}  // namespace

void AddButtonPictures(Manifest& out) {
    AddButtonSet(out, "Close", [](State s) { return CaptionButton(Glyph::Close, s, true); });
    // The disabled picture of the minimise button is known as "MIn_Disable".
    for (State state : kStates) {
        const std::string name =
            std::string(state == State::Disable ? "MIn" : "Min") + "_" + Suffix(state);
        out.push_back(Picture{{name}, Lower(name) + ".bmp", [state] {
                                  return CaptionButton(Glyph::Minimize, state, false);
                              }});
    }
    AddButtonSet(out, "Max", [](State s) { return CaptionButton(Glyph::Maximize, s, false); });
    AddButtonSet(out, "Restore", [](State s) { return CaptionButton(Glyph::Restore, s, false); });
    AddButtonSet(out, "Menu", MenuButton);

    const std::pair<const char*, Glyph> nav[] = {
        {"Link", Glyph::Globe},  {"Net", Glyph::Traffic}, {"Sms", Glyph::Envelope},
        {"PB", Glyph::Contacts}, {"Log", Glyph::Clock},   {"Ussd", Glyph::Bubble},
        {"Set", Glyph::Gear},    {"Voice", Glyph::Phone},
    };
    for (const auto& [base, glyph] : nav) {
        AddButtonSet(out, base, [glyph](State s) { return NavButton(glyph, s); });
    }

    const char* connect[] = {"Connected_no", "Connected_over", "Connected_down",
                             "Connected_disable"};
    for (State state : kStates) {
        const std::string name = connect[static_cast<int>(state)];
        out.push_back(
            Picture{{name}, Lower(name) + ".bmp", [state] { return ConnectButton(state); }});
    }

    AddButtonSet(
        out, "Btn", [](State s) { return PushButton(kBtn, 5, s); }, true);
    AddButtonSet(
        out, "BtnBig", [](State s) { return PushButton(kBtnBig, 8, s); }, true);
    AddButtonSet(out, "Dlg_Close", DialogClose);

    out.push_back(Picture{{"BtnBigLogo_Normal"},
                          "btnbiglogo_normal.bmp",
                          [] { return LogoButton(kAccent); },
                          SkinSection::Bitmaps,
                          Variant::English});
    out.push_back(Picture{{"BtnBigLogo_Normal"},
                          "btnbiglogo_normal_id.bmp",
                          [] { return LogoButton(QColor(206, 17, 38)); },
                          SkinSection::Bitmaps,
                          Variant::Indonesian});
}

}  // namespace skingen

#include "Paint.h"

#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <string_view>

namespace skingen {

QImage Canvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

Pen::Pen(QImage* image) : QPainter(image) {
    setRenderHint(QPainter::Antialiasing, true);
    setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QImage Keyed(const QImage& art, std::optional<QColor> backdrop) {
    const QImage src = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb px = in[x];
            const int a = qAlpha(px);
            if (a < 128) {
                dst[x] = kKey.rgb();
            } else if (backdrop) {
                const int rest = 255 - a;
                dst[x] = qRgb(qRed(px) + backdrop->red() * rest / 255,
                              qGreen(px) + backdrop->green() * rest / 255,
                              qBlue(px) + backdrop->blue() * rest / 255);
            } else {
                dst[x] =
                    qRgb(std::min(255, qRed(px) * 255 / a), std::min(255, qGreen(px) * 255 / a),
                         std::min(255, qBlue(px) * 255 / a));
            }
            // A drawn pixel must never read back as the transparent colour.
            if (a >= 128 && dst[x] == kKey.rgb()) {
                dst[x] = qRgb(254, 0, 254);
            }
        }
    }
    return out;
}

QImage Flat(const QImage& art, const QColor& under) {
    QImage out(art.size(), QImage::Format_RGB32);
    out.fill(under);
    QPainter p(&out);
    p.drawImage(0, 0, art);
    return out;
}

QColor Over(const QColor& top, const QColor& under) {
    const qreal a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + under.redF() * (1 - a),
                            top.greenF() * a + under.greenF() * (1 - a),
                            top.blueF() * a + under.blueF() * (1 - a));
}

QPainterPath Rounded(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void DrawFace(QPainter& p, const QRectF& r, qreal radius, const Face& face) {
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(face.edge, 1));
    p.setBrush(Vertical(body, face.top, face.bottom));
    p.drawPath(Rounded(body, radius));
    // Soft highlight along the top edge.
    QColor light(255, 255, 255, 70);
    p.setPen(QPen(light, 1));
    p.setBrush(Qt::NoBrush);
    const qreal inset = radius * 0.8;
    p.drawLine(QPointF(body.left() + inset, body.top() + 1.5),
               QPointF(body.right() - inset, body.top() + 1.5));
}

namespace {

QPointF At(const QRectF& b, qreal fx, qreal fy) {
    return {b.left() + fx * b.width(), b.top() + fy * b.height()};
}

QRectF Sub(const QRectF& b, qreal fx, qreal fy, qreal fw, qreal fh) {
    return {b.left() + fx * b.width(), b.top() + fy * b.height(), fw * b.width(), fh * b.height()};
}

QPainterPath Outline(const QPainterPath& centre, qreal width, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centre).simplified();
}

QPainterPath Line(QPointF a, QPointF b) {
    QPainterPath path(a);
    path.lineTo(b);
    return path;
}

QPainterPath Arrow(QPointF from, QPointF to, qreal head) {
    QPainterPath path(from);
    path.lineTo(to);
    const qreal angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    for (qreal side : {-1.0, 1.0}) {
        const qreal a = angle + M_PI + side * M_PI / 4;
        path.moveTo(to);
        path.lineTo(to + QPointF(std::cos(a), std::sin(a)) * head);
    }
    return path;
}

QPainterPath GearPath(const QRectF& b) {
    const QPointF c = b.center();
    const qreal outer = b.width() * 0.42;
    const qreal body = b.width() * 0.31;
    QPainterPath gear;
    gear.addEllipse(c, body, body);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        const qreal w = b.width() * 0.15;
        tooth.addRoundedRect(QRectF(-w / 2, -outer, w, outer - body + 2), 1.2, 1.2);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 45.0);
        gear = gear.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, b.width() * 0.12, b.width() * 0.12);
    return gear.subtracted(hole);
}

QPainterPath PhonePath(const QRectF& b) {
    // A handset: a curved grip round the lower left, ear piece at the top, mouth piece at the
    // right, both turned inwards.
    const qreal u = b.width();
    const QPointF c = At(b, 0.84, 0.16);
    const qreal r = 0.6 * u;
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath grip;
    grip.arcMoveTo(circle, 180);
    grip.arcTo(circle, 180, 90);
    QPainterPath shape = Outline(grip, 0.17 * u, Qt::FlatCap);
    const qreal len = 0.27 * u;
    const qreal thick = 0.22 * u;
    const qreal round = 0.07 * u;
    const QPointF ear(c.x() - r, c.y());
    const QPointF mouth(c.x(), c.y() + r);
    QPainterPath pads;
    pads.addRoundedRect(QRectF(ear.x() - 0.08 * u, ear.y() - thick / 2, len, thick), round, round);
    pads.addRoundedRect(QRectF(mouth.x() - thick / 2, mouth.y() + 0.08 * u - len, thick, len),
                        round, round);
    return shape.united(pads).translated(0, 0.04 * u);
}

QPainterPath BellPath(const QRectF& b) {
    QPainterPath bell;
    bell.moveTo(At(b, 0.18, 0.72));
    bell.cubicTo(At(b, 0.28, 0.62), At(b, 0.26, 0.50), At(b, 0.28, 0.40));
    bell.cubicTo(At(b, 0.30, 0.22), At(b, 0.42, 0.16), At(b, 0.50, 0.16));
    bell.cubicTo(At(b, 0.58, 0.16), At(b, 0.70, 0.22), At(b, 0.72, 0.40));
    bell.cubicTo(At(b, 0.74, 0.50), At(b, 0.72, 0.62), At(b, 0.82, 0.72));
    bell.closeSubpath();
    bell.addEllipse(At(b, 0.5, 0.80), 0.08 * b.width(), 0.08 * b.height());
    bell.addEllipse(At(b, 0.5, 0.14), 0.05 * b.width(), 0.05 * b.height());
    return bell.simplified();
}

}  // namespace

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& color) {
    const qreal u = std::min(box.width(), box.height());
    const QRectF b(box.center().x() - u / 2, box.center().y() - u / 2, u, u);
    const qreal w = std::max<qreal>(1.6, u * 0.09);
    QPainterPath path;
    bool fill = false;
    switch (glyph) {
        case Glyph::Close:
            path = Line(At(b, 0.3, 0.3), At(b, 0.7, 0.7));
            path.addPath(Line(At(b, 0.7, 0.3), At(b, 0.3, 0.7)));
            break;
        case Glyph::Cross:
            path = Line(At(b, 0.32, 0.32), At(b, 0.68, 0.68));
            path.addPath(Line(At(b, 0.68, 0.32), At(b, 0.32, 0.68)));
            path = Outline(path, u * 0.13);
            fill = true;
            break;
        case Glyph::Minimize:
            path = Line(At(b, 0.3, 0.66), At(b, 0.7, 0.66));
            break;
        case Glyph::Maximize:
            path.addRect(Sub(b, 0.3, 0.3, 0.4, 0.4));
            path.addPath(Line(At(b, 0.3, 0.33), At(b, 0.7, 0.33)));
            break;
        case Glyph::Restore:
            path.addRect(Sub(b, 0.26, 0.38, 0.34, 0.34));
            path.moveTo(At(b, 0.38, 0.38));
            path.lineTo(At(b, 0.38, 0.26));
            path.lineTo(At(b, 0.74, 0.26));
            path.lineTo(At(b, 0.74, 0.60));
            path.lineTo(At(b, 0.60, 0.60));
            break;
        case Glyph::Globe: {
            const QRectF ball = Sub(b, 0.14, 0.14, 0.72, 0.72);
            path.addEllipse(ball);
            path.addEllipse(Sub(b, 0.33, 0.14, 0.34, 0.72));
            path.addPath(Line(At(b, 0.14, 0.5), At(b, 0.86, 0.5)));
            path.addPath(Line(At(b, 0.22, 0.32), At(b, 0.78, 0.32)));
            path.addPath(Line(At(b, 0.22, 0.68), At(b, 0.78, 0.68)));
            break;
        }
        case Glyph::Traffic:
            path = Arrow(At(b, 0.34, 0.82), At(b, 0.34, 0.18), u * 0.16);
            path.addPath(Arrow(At(b, 0.66, 0.18), At(b, 0.66, 0.82), u * 0.16));
            break;
        case Glyph::Envelope:
            path.addRoundedRect(Sub(b, 0.12, 0.24, 0.76, 0.52), u * 0.05, u * 0.05);
            path.moveTo(At(b, 0.14, 0.27));
            path.lineTo(At(b, 0.5, 0.54));
            path.lineTo(At(b, 0.86, 0.27));
            break;
        case Glyph::EnvelopeOpen:
            path.moveTo(At(b, 0.12, 0.42));
            path.lineTo(At(b, 0.5, 0.16));
            path.lineTo(At(b, 0.88, 0.42));
            path.lineTo(At(b, 0.88, 0.82));
            path.lineTo(At(b, 0.12, 0.82));
            path.closeSubpath();
            path.moveTo(At(b, 0.14, 0.44));
            path.lineTo(At(b, 0.5, 0.66));
            path.lineTo(At(b, 0.86, 0.44));
            break;
        case Glyph::Contacts: {
            path.addRoundedRect(Sub(b, 0.12, 0.2, 0.76, 0.6), u * 0.07, u * 0.07);
            QPainterPath person;
            person.addEllipse(At(b, 0.34, 0.41), u * 0.075, u * 0.075);
            person.moveTo(At(b, 0.2, 0.68));
            person.quadTo(At(b, 0.34, 0.48), At(b, 0.48, 0.68));
            path.addPath(person);
            path.addPath(Line(At(b, 0.58, 0.40), At(b, 0.76, 0.40)));
            path.addPath(Line(At(b, 0.58, 0.52), At(b, 0.76, 0.52)));
            path.addPath(Line(At(b, 0.58, 0.64), At(b, 0.70, 0.64)));
            break;
        }
        case Glyph::Person:
            path.addEllipse(At(b, 0.5, 0.32), u * 0.17, u * 0.17);
            path.moveTo(At(b, 0.16, 0.88));
            path.cubicTo(At(b, 0.16, 0.56), At(b, 0.84, 0.56), At(b, 0.84, 0.88));
            path.closeSubpath();
            fill = true;
            break;
        case Glyph::Clock:
            path.addEllipse(Sub(b, 0.14, 0.14, 0.72, 0.72));
            path.moveTo(At(b, 0.5, 0.28));
            path.lineTo(At(b, 0.5, 0.5));
            path.lineTo(At(b, 0.66, 0.6));
            break;
        case Glyph::Bubble: {
            path.addRoundedRect(Sub(b, 0.12, 0.18, 0.76, 0.52), u * 0.12, u * 0.12);
            path.moveTo(At(b, 0.3, 0.7));
            path.lineTo(At(b, 0.24, 0.86));
            path.lineTo(At(b, 0.46, 0.7));
            path = Outline(path, w);
            for (qreal fx : {0.33, 0.5, 0.67}) {
                path.addEllipse(At(b, fx, 0.44), u * 0.05, u * 0.05);
            }
            fill = true;
            break;
        }
        case Glyph::Gear:
            path = GearPath(b);
            fill = true;
            break;
        case Glyph::Phone:
            path = PhonePath(b);
            fill = true;
            break;
        case Glyph::Power: {
            const QRectF ring = Sub(b, 0.2, 0.22, 0.6, 0.6);
            path.arcMoveTo(ring, 125);
            path.arcTo(ring, 125, 290);
            path.addPath(Line(At(b, 0.5, 0.14), At(b, 0.5, 0.46)));
            path = Outline(path, u * 0.1);
            fill = true;
            break;
        }
        case Glyph::Bell:
            path = BellPath(b);
            fill = true;
            break;
        case Glyph::ArrowIn:
            path = Arrow(At(b, 0.78, 0.22), At(b, 0.26, 0.74), u * 0.26);
            break;
        case Glyph::ArrowOut:
            path = Arrow(At(b, 0.26, 0.74), At(b, 0.78, 0.22), u * 0.26);
            break;
        case Glyph::ArrowMissed:
            path.moveTo(At(b, 0.16, 0.30));
            path.lineTo(At(b, 0.46, 0.64));
            path.lineTo(At(b, 0.84, 0.26));
            path.addPath(Arrow(At(b, 0.46, 0.64), At(b, 0.84, 0.26), u * 0.24));
            break;
        case Glyph::Info:
            path.addEllipse(At(b, 0.5, 0.24), u * 0.075, u * 0.075);
            path.addRoundedRect(Sub(b, 0.43, 0.40, 0.14, 0.42), u * 0.05, u * 0.05);
            fill = true;
            break;
        case Glyph::Exclamation:
            path.addRoundedRect(Sub(b, 0.43, 0.16, 0.14, 0.48), u * 0.06, u * 0.06);
            path.addEllipse(At(b, 0.5, 0.79), u * 0.08, u * 0.08);
            fill = true;
            break;
        case Glyph::Question: {
            QPainterPath hook;
            const QRectF top = Sub(b, 0.32, 0.14, 0.36, 0.34);
            hook.arcMoveTo(top, 160);
            hook.arcTo(top, 160, -230);
            hook.quadTo(At(b, 0.5, 0.52), At(b, 0.5, 0.62));
            path = Outline(hook, u * 0.13);
            path.addEllipse(At(b, 0.5, 0.82), u * 0.08, u * 0.08);
            fill = true;
            break;
        }
        case Glyph::Check:
            path.moveTo(At(b, 0.24, 0.52));
            path.lineTo(At(b, 0.43, 0.7));
            path.lineTo(At(b, 0.78, 0.3));
            break;
    }
    p.save();
    if (fill) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(path);
    } else {
        p.setPen(QPen(color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.restore();
}

namespace {

// Letters on a cap height of 1 with their centre lines inset by half the stroke.
constexpr qreal kStroke = 0.2;
constexpr qreal kInset = kStroke / 2;
constexpr qreal kXTop = 0.28;  // top of the small letters
constexpr qreal kGap = 0.13;

qreal Letter(QPainterPath& path, char c, qreal x) {
    switch (c) {
        case 'D': {
            const qreal r = 0.5 - kInset;
            const qreal w = 0.78;
            path.moveTo(x + kInset, kInset);
            path.lineTo(x + w - kInset - r, kInset);
            path.arcTo(QRectF(x + w - kInset - 2 * r, kInset, 2 * r, 2 * r), 90, -180);
            path.lineTo(x + kInset, 1 - kInset);
            path.closeSubpath();
            return w;
        }
        case 'E': {
            const qreal w = 0.62;
            path.moveTo(x + w - kInset, kInset);
            path.lineTo(x + kInset, kInset);
            path.lineTo(x + kInset, 1 - kInset);
            path.lineTo(x + w - kInset, 1 - kInset);
            path.moveTo(x + kInset, 0.5);
            path.lineTo(x + w - 0.1 - kInset, 0.5);
            return w;
        }
        case 'V': {
            const qreal w = 0.8;
            path.moveTo(x + kInset, kInset);
            path.lineTo(x + w / 2, 1 - kInset);
            path.lineTo(x + w - kInset, kInset);
            return w;
        }
        case 'e': {
            const qreal w = 0.66;
            const qreal mid = (kXTop + 1) / 2;
            const QRectF ring(x + kInset, kXTop + kInset, w - 2 * kInset, 1 - kXTop - 2 * kInset);
            path.moveTo(x + kInset, mid);
            path.lineTo(x + w - kInset, mid);
            path.arcTo(ring, 0, 305);
            return w;
        }
        case 'v': {
            const qreal w = 0.64;
            path.moveTo(x + kInset, kXTop + kInset);
            path.lineTo(x + w / 2, 1 - kInset);
            path.lineTo(x + w - kInset, kXTop + kInset);
            return w;
        }
        default:
            return 0;
    }
}

}  // namespace

qreal WordMarkAspect() {
    QPainterPath scratch;
    qreal x = 0;
    for (char c : std::string_view("DEDEVev")) {
        x += Letter(scratch, c, x) + kGap;
    }
    return x - kGap;
}

qreal DrawWordMark(QPainter& p, const QRectF& box, const QColor& caps, const QColor& small) {
    QPainterPath upper;
    QPainterPath lower;
    qreal x = 0;
    for (char c : std::string_view("DEDEVev")) {
        QPainterPath& target = (c >= 'a') ? lower : upper;
        x += Letter(target, c, x) + kGap;
    }
    const qreal width = x - kGap;
    const qreal scale = std::min(box.height(), box.width() / width);
    QTransform t;
    t.translate(box.left(), box.center().y() - scale / 2);
    t.scale(scale, scale);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(caps);
    p.drawPath(t.map(Outline(upper, kStroke)));
    p.setBrush(small);
    p.drawPath(t.map(Outline(lower, kStroke)));
    p.restore();
    return width * scale;
}

void DrawEmblem(QPainter& p, const QRectF& box, const QColor& ring) {
    const qreal u = std::min(box.width(), box.height());
    const QRectF b(box.center().x() - u / 2, box.center().y() - u / 2, u, u);
    p.save();
    QRadialGradient disc(At(b, 0.3, 0.25), u * 0.85);
    disc.setColorAt(0, ring.lighter(135));
    disc.setColorAt(0.55, ring);
    disc.setColorAt(1, QColor(19, 64, 116));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(b.adjusted(0.5, 0.5, -0.5, -0.5));
    QPainterPath inside;
    inside.addEllipse(b.adjusted(1, 1, -1, -1));
    p.setClipPath(inside, Qt::IntersectClip);
    const QPointF source = At(b, 0.32, 0.68);
    p.setBrush(Qt::white);
    p.drawEllipse(source, u * 0.075, u * 0.075);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, std::max<qreal>(1.4, u * 0.07), Qt::SolidLine, Qt::RoundCap));
    for (qreal r : {0.2, 0.33, 0.46}) {
        const qreal rr = r * u;
        p.drawArc(QRectF(source.x() - rr, source.y() - rr, 2 * rr, 2 * rr), 8 * 16, 74 * 16);
    }
    p.restore();
}

void DrawWaves(QPainter& p, const QPointF& centre, qreal first, qreal step, int count,
               const QColor& color) {
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        QColor c = color;
        c.setAlphaF(color.alphaF() * (1.0 - 0.8 * i / std::max(1, count)));
        p.setPen(QPen(c, 1.5));
        const qreal r = first + step * i;
        p.drawEllipse(centre, r, r);
    }
    p.restore();
}

}  // namespace skingen
